// The job window's looks and its progress display: the gauge, the elapsed and estimated
// times, "Initializing..." and the once-a-second WMA estimate.
#include "jobs/TRipForm.h"

#include "audio/TACSOutput.h"
#include "common/Messages.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/core/WmaEstimate.h"
#include "platform/Files.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "skins/SchemePictures.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedLayout>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using tarnwick::timeText;

void TRipForm::buildWindow()
{
    setObjectName(QStringLiteral("TRipForm"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    ColourScheme::apply(this, settings().SkinIndex);

    m_group = new QGroupBox(QStringLiteral("Extracting"), this);
    m_gauge = new QProgressBar(m_group);
    m_gauge->setRange(0, 100);
    m_gauge->setValue(0);
    m_gauge->setTextVisible(false);
    m_gauge->setMinimumWidth(320);
    m_initializing = new QLabel(QStringLiteral("Initializing..."), m_group);
    m_elapsed = new QLabel(m_group);
    m_estimated = new QLabel(m_group);
    m_elapsed->setMinimumWidth(60);
    m_estimated->setMinimumWidth(60);

    auto* grid = new QGridLayout(m_group);
    grid->addWidget(m_initializing, 0, 0, 1, 4);
    grid->addWidget(m_gauge, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Time elapsed:"), m_group), 2, 0);
    grid->addWidget(m_elapsed, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Time estimated:"), m_group), 2, 2);
    grid->addWidget(m_estimated, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QLabel* icon = SchemePictures::label(SchemePictures::Picture::Disc, 40, this);
    icon->setObjectName(QStringLiteral("imgDisc"));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_btStop = new QPushButton(QStringLiteral("Stop"), this);
    m_btStop->setObjectName(QStringLiteral("btStop"));
    connect(m_btStop, &QPushButton::clicked, this, &TRipForm::suitempbtStopClick);

    auto* side = new QVBoxLayout;
    side->addWidget(icon);
    side->addStretch(1);
    side->addWidget(m_btStop);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_group, 1);
    layout->addLayout(side);

    m_timer1 = new QTimer(this);
    m_timer1->setInterval(1000);
    connect(m_timer1, &QTimer::timeout, this, &TRipForm::Timer1Timer);
    setFixedSize(sizeHint().expandedTo(QSize(460, 0)));
}

void TRipForm::centreOn(QWidget* owner)
{
    if (owner == nullptr) {
        return;
    }
    const QRect main = owner->frameGeometry();
    move(main.left() + (main.width() - width()) / 2, main.top() + (main.height() - height()) / 2);
}

void TRipForm::handleProgress(const TProcessInfo& record)
{
    if (m_timer1->isActive()) {
        m_timer1->stop();
    }
    m_worked = true;
    m_elapsed->setText(record.ElapsedText);
    m_estimated->setText(record.EstimatedText);
    if (record.Progress > 0) {
        m_initializing->hide();
        m_gauge->setTextVisible(true);
        m_gauge->setValue(record.Progress);
    }
}

void TRipForm::outputProgress(TACSOutput* output)
{
    // Runs on the output's worker: touch no control, only build and post a record.
    const std::int32_t progress = output->Progress();
    QString elapsedText;
    QString estimatedText;
    if (progress != 0) {
        const double seconds = static_cast<double>(m_componentStart.msecsTo(now())) / 1000.0;
        const std::int64_t elapsed = tarnwick::roundHalfEven(seconds);
        const std::int64_t estimated =
            tarnwick::roundHalfEven(static_cast<double>(elapsed) * 100.0 / static_cast<double>(progress));
        elapsedText = timeText(static_cast<int>(elapsed));
        estimatedText = timeText(static_cast<int>(estimated));
    }
    tarnwick::postProcessInfo(this, progress, elapsedText, estimatedText, 0);
}

void TRipForm::setWmaStart(const QDateTime& start, std::int64_t inputSize)
{
    m_wmaStart = start;
    m_wmaInputSize = inputSize;
}

void TRipForm::Timer1Timer()
{
    const auto elapsed = tarnwick::roundHalfEven(static_cast<double>(m_wmaStart.msecsTo(now())) / 1000.0);
    m_elapsed->setText(timeText(static_cast<int>(elapsed)));
    if (m_wma == nullptr || !m_wma->isActive()) {
        return;
    }
    m_initializing->hide();
    const std::int64_t current = Files::size(m_wma->outputFile());
    if (m_wmaInputSize >= 2000000 && (settings().WMABitRate < 0 || settings().WMABitRate > 32)) {
        settings().WMABitRate = 8;
    }
    const auto estimate = WmaEstimate::compute(elapsed, m_wmaInputSize, current, settings().WMABitRate);
    if (!estimate) {
        return;
    }
    m_estimated->setText(timeText(static_cast<int>(estimate->estimate)));
    m_gauge->setTextVisible(true);
    m_gauge->setValue(estimate->gauge);
}
