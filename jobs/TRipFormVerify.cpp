// What the job window proves about an extraction: every track's checksums on the fly, the
// disc's AccurateRip lookup at the end, the verdicts in the window and the rip log. With
// SecureMode and AccurateRip off none of this exists and the job runs as it always did.
#include "jobs/TRipForm.h"

#include "cd/CDDriveLibrary.h"
#include "cd/RipVerification.h"
#include "cd/TCDRipThread.h"
#include "common/TProcessInfo.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QStringList>
#include <algorithm>
#include <chrono>

namespace {

// Long enough for a slow line, short enough that a silent server does not keep the user
// waiting at the end of a rip; the window stays responsive meanwhile.
constexpr std::chrono::milliseconds LookupTimeout{10000};

QString outputExtension()
{
    switch (settings().OutputFormat) {
    case ofMP3:
        return QStringLiteral(".mp3");
    case ofOGG:
        return QStringLiteral(".ogg");
    case ofWMA:
        return QStringLiteral(".wma");
    case ofFLAC:
        return QStringLiteral(".flac");
    default:
        return QStringLiteral(".wav");
    }
}

} // namespace

void TRipForm::setUpVerification()
{
    if (m_mode != ExtractCD) {
        return;
    }
    auto verification = std::make_unique<RipVerification>(RipVerification::optionsFrom(settings()));
    if (verification->active()) {
        const QString path = tarnwick::drivePath(m_driveHandle);
        verification->setDrive(path.isEmpty() ? QStringLiteral("disc image") : path);
        m_verification = std::move(verification);
    }
}

void TRipForm::verificationTrackEnded(const TProcessInfo& record)
{
    if (!m_verification || !m_ripThread) {
        return;
    }
    // The thread posts its outcome last: it is ending, and what it read is now safe to take.
    m_ripThread->wait();
    const int x = m_extractionIndex;
    if (const auto& toc = m_ripThread->tableOfContents()) {
        m_verification->setTableOfContents(*toc);
    }
    m_verification->trackEnded(track(x), title(x) + outputExtension(), RipVerification::problemFor(record.Status),
                               m_ripThread->readStats());
}

bool TRipForm::verifyBeforeClosing()
{
    if (!m_verification || m_verifying) {
        return false;
    }
    m_verifying = true;
    if (!m_verification->verifies()) {
        verificationDone();
        return true;
    }
    m_group->setTitle(QStringLiteral("Verifying"));
    m_initializing->setText(QStringLiteral("Looking the disc up in the AccurateRip database..."));
    m_initializing->show();
    setWindowTitle(QStringLiteral("Verifying"));
    // The lookup waits for the network; the window keeps painting and answering meanwhile.
    m_lookup = std::thread([this] {
        m_verification->lookUp(LookupTimeout, &m_lookupStop);
        QMetaObject::invokeMethod(
            this, [this] { verificationDone(); }, Qt::QueuedConnection);
    });
    return true;
}

void TRipForm::verificationDone()
{
    if (m_lookup.joinable()) {
        m_lookup.join();
    }
    if (m_lookupStop.load()) {
        return; // the window was closed meanwhile: no verdicts, no log
    }
    // The verdict is news, not a question: it stays in the window and then in the main
    // window's status bar. Only a copy that differs from the database's stops the user.
    m_verdictLine = m_verification->statusLine();
    if (!m_verdictLine.isEmpty()) {
        m_group->setTitle(QStringLiteral("Verified"));
        // A reason from the network can be long: the line wraps, and the window grows to
        // hold it rather than cut it.
        m_initializing->setWordWrap(true);
        m_initializing->setText(m_verdictLine);
        m_initializing->show();
        layout()->activate();
        setFixedSize(width(), std::max(height(), layout()->totalHeightForWidth(width())));
        layout()->activate();
        setWindowTitle(QStringLiteral("Verified"));
    } else {
        m_initializing->hide();
    }
    if (const QList<int> rows = m_verification->notAccurateRows(); !rows.isEmpty()) {
        QStringList tracks;
        for (int i = 0; i < count(); ++i) {
            if (rows.contains(track(i))) {
                tracks << QStringLiteral("Track %1: %2").arg(num(m_verification->trackNumber(track(i))), title(i));
            }
        }
        const QString text =
            tracks.size() == 1
                ? QStringLiteral("AccurateRip: the copy of this track differs from every rip of it in the database "
                                 "and is most likely damaged. Clean the disc and extract it again, in secure mode:")
                : QStringLiteral("AccurateRip: the copies of these tracks differ from every rip of them in the "
                                 "database and are most likely damaged. Clean the disc and extract them again, in "
                                 "secure mode:");
        Prompt::instance().message({QStringLiteral("Tarnwick"),
                                    text + QStringLiteral("\r\n") + tracks.join(QStringLiteral("\r\n")),
                                    Prompt::Icon::Exclamation, Prompt::Buttons::Ok, Prompt::Answer::Ok});
    }
    QString error;
    const QString folder = settings().OutputFolder;
    if (!m_verification->writeLog(folder, settings().Disc.Album, &error)) {
        Prompt::instance().error(QStringLiteral("Could not write the rip log in ") + folder +
                                 (error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    }
    closeWindow();
}

void TRipForm::stopVerification()
{
    m_lookupStop.store(true);
    if (m_lookup.joinable()) {
        m_lookup.join();
    }
}
