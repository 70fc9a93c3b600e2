#include "app/TMainForm.h"

#include "app/HistoryCommands.h"
#include "app/TNoDeviceForm.h"
#include "app/TTipForm.h"
#include "app/ToolCommands.h"
#include "app/TrayCommands.h"
#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/HandleAudioSource.h"
#include "cd/TocTracks.h"
#include "cd/TrackRow.h"
#include "common/ProgramFolder.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/JobCommands.h"
#include "platform/CdAudioDevice.h"
#include "platform/DeviceMonitor.h"
#include "platform/DigitalCdAudio.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "settings/gui/TOptionSetForm.h"
#include "skins/ColourScheme.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

namespace {

const QString kNoDisc = QStringLiteral("Please check if have Audio CD in your CD device.");

// Plays the disc of the opened drive digitally through the sound output.
PlaybackCommands::DeviceFactory defaultCdAudio()
{
    return [](CDHandle handle) -> std::unique_ptr<CdAudioDevice> {
        return std::make_unique<DigitalCdAudio>(std::make_unique<HandleAudioSource>(handle));
    };
}

} // namespace

TMainForm::TMainForm(QWidget* parent) : TMainForm(Setup{}, parent) {}

TMainForm::TMainForm(const Setup& setup, QWidget* parent) : QMainWindow(parent), m_setup(setup)
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    buildActions();
    buildMenus();
    buildToolBar();
    buildTrackList();
    resize(553, 460);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    m_playback = std::make_unique<PlaybackCommands>(*this, m_setup.cdAudio ? m_setup.cdAudio : defaultCdAudio());
    FormCreate();
    attachCommands();
    if (m_setup.watchDevices) {
        m_deviceMonitor = DeviceMonitor::create();
        connect(m_deviceMonitor.get(), &DeviceMonitor::volumeArrived, this, &TMainForm::VolumeArrived);
        connect(m_deviceMonitor.get(), &DeviceMonitor::volumeRemoved, this, &TMainForm::VolumeRemoved);
    }
    updateActions();
}

TMainForm::~TMainForm() = default;

QString TMainForm::settingsPath() const
{
    return m_setup.settingsPath.isEmpty() ? SettingsStore::defaultPath() : m_setup.settingsPath;
}

QString TMainForm::discInfoPath() const
{
    return m_setup.discInfoPath.isEmpty() ? DiscInfoStore::defaultPath() : m_setup.discInfoPath;
}

void TMainForm::buildTrackList()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(10, 0, 10, 10);
    m_trackList = new QTreeWidget(central);
    m_trackList->setObjectName(QStringLiteral("ListView1"));
    m_trackList->setColumnCount(4);
    m_trackList->setHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Title"), QStringLiteral("Length(min)"), QStringLiteral("Size(MB)")});
    m_trackList->setRootIsDecorated(false);
    m_trackList->setUniformRowHeights(true);
    m_trackList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_trackList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_trackList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_trackList->setAlternatingRowColors(true);
    QHeaderView* header = m_trackList->header();
    header->setSectionsClickable(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    header->resizeSection(0, 90);
    header->resizeSection(1, 230);
    header->resizeSection(2, 100);
    header->resizeSection(3, 90);
    m_trackList->headerItem()->setTextAlignment(2, Qt::AlignCenter);
    m_trackList->headerItem()->setTextAlignment(3, Qt::AlignCenter);
    m_trackList->viewport()->installEventFilter(this);
    connect(m_trackList, &QTreeWidget::itemChanged, this, &TMainForm::updateActions);
    connect(m_trackList, &QTreeWidget::itemSelectionChanged, this, &TMainForm::updateActions);
    connect(m_trackList, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (selectedRow() >= 0 && ActionEditTrackName->isEnabled()) {
            ActionEditTrackName->trigger();
        }
    });
    m_trackList->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* separator = new QAction(m_trackList);
    separator->setSeparator(true);
    m_trackList->addActions({ActionExtract, ActionSelectAll, ActionSelectNone, separator, ActionPlay, ActionPause,
                             ActionStop, ActionEditTrackName});
    // Menus and the pop-up share the actions; their shortcuts belong to the whole window.
    layout->setSpacing(0);
    layout->addWidget(m_trackList);

    // The status bar sits under the list with the same 10-pixel margins, not along the
    // window's edges, so it lives in the central layout rather than in the window's own.
    auto* statusBar = new QStatusBar(central);
    statusBar->setObjectName(QStringLiteral("StatusBar1"));
    statusBar->setSizeGripEnabled(false);
    m_status = new QLabel(statusBar);
    m_status->setObjectName(QStringLiteral("StatusPanel0"));
    statusBar->addWidget(m_status, 1);
    layout->addWidget(statusBar);
    setCentralWidget(central);
}

int TMainForm::selectedRow() const
{
    QTreeWidgetItem* item = m_trackList->currentItem();
    return item != nullptr && item->isSelected() ? m_trackList->indexOfTopLevelItem(item) : -1;
}

QString TMainForm::noDiscText() const
{
    const QString problem = m_driveHandle != 0 ? tarnwick::discProblem(m_driveHandle) : QString();
    return problem.isEmpty() ? kNoDisc : kNoDisc + QStringLiteral("\n\n") + problem + QLatin1Char('.');
}

QString TMainForm::statusText() const
{
    return m_status->text();
}

void TMainForm::setStatusText(const QString& text)
{
    m_status->setText(text);
}

void TMainForm::ActionExtractExecute()
{
    QList<JobCommands::Row> rows;
    for (int i = 0; i < m_trackList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_trackList->topLevelItem(i);
        rows.append({item->text(1), item->checkState(0) == Qt::Checked});
    }
    m_jobs->ActionExtractExecute(m_driveHandle, rows, playing(), [this] { m_playback->ActionStopExecute(); });
}

void TMainForm::ActionOptionsExecute()
{
    TOptionSetForm form(this);
    form.move(x() + 50, y() + 50);
    form.driveChanged = [this](int driveIndex) {
        // The drive that is given up is closed, so handles never run out over a session.
        if (m_driveHandle != 0) {
            CloseCDHandle(m_driveHandle);
        }
        m_driveHandle = openDrive(driveIndex);
        fillTrackList();
        m_driveDescription = statusText();
    };
    Prompt::instance().execWindow(&form);
}

void TMainForm::FormCreate()
{
    SettingsStore::load(settings(), settingsPath());
    ColourScheme::apply(this, settings().SkinIndex);
    for (QAction* action : SkinActions) {
        action->setChecked(action->data().toInt() == settings().SkinIndex);
    }
    m_noDisc = false;
}

CDHandle TMainForm::openDrive(int index)
{
    CDDriveList list{};
    list.capacity = CDDriveList::MaxEntries;
    GetCDList(&list);
    if (list.count == 0) {
        setStatusText(QStringLiteral("No CD devices found!"));
        return 0;
    }
    if (index < 0 || index >= list.count) {
        setStatusText(QStringLiteral("CD device information error in your configration!"));
        return 0;
    }
    const CDDriveEntry& entry = list.entries[index];
    setStatusText(tarnwick::driveDescription(entry));
    const CDHandleRequest request = tarnwick::handleRequestFor(entry);
    CDHandle handle = GetCDHandle(&request);
    if (handle == 0) {
        // Handles left open by an earlier run of ours block the drive; free one and retry.
        bool freed = false;
        for (CDHandle h = 1; h <= 10 && !freed; ++h) {
            freed = CloseCDHandle(h) != 0;
        }
        if (freed) {
            handle = GetCDHandle(&request);
        }
    }
    if (handle == 0) {
        setStatusText(QStringLiteral("No CD devices found!"));
    }
    return handle;
}

void TMainForm::fillTrackList()
{
    if (m_driveHandle == 0) {
        return;
    }
    ModifyCDParms(m_driveHandle, cdaudio::AddressingParameter, 1);
    TOC toc{};
    const bool tocRead = ReadTOC(m_driveHandle, &toc) == 1;
    // The titles live under the track numbers, so the store must know where the disc begins.
    DiscInfoStore::load(settings().Disc, tarnwick::discKey(), discInfoPath(), tocRead ? toc.firstTrack : 1);
    m_trackList->clear();
    if (!tocRead) {
        setStatusText(QStringLiteral("Not get CD device information!"));
        updateActions();
        return;
    }
    const QSignalBlocker blocker(m_trackList);
    for (int t = toc.firstTrack; t <= toc.lastTrack; ++t) {
        const int entry = t - toc.firstTrack;
        // The record holds 100 entries (the last one the lead-out) and 100 titles.
        if (entry + 1 >= TOC::MaxEntries || t > TDiscInfo::MaxTitles) {
            break;
        }
        // A data track is shown for what it is but never offered as audio: it cannot be
        // checked, so no job, playback or title edit takes it for a track to rip.
        const bool data = tarnwick::toc::isData(toc, entry);
        if (data) {
            settings().Disc.setTitle(t, QString::fromLatin1(tarnwick::toc::DataTrackTitle));
        } else if (settings().Disc.title(t).isEmpty()) {
            settings().Disc.setTitle(t, DiscInfoStore::defaultTitle(t));
        }
        const TrackRow row =
            TrackRow::fromFrames(t, tarnwick::toc::frames(toc.entries[entry]), tarnwick::toc::audioEnd(toc, entry));
        auto* item = new QTreeWidgetItem(m_trackList);
        item->setText(0, row.number);
        item->setText(1, settings().Disc.title(t));
        item->setText(2, row.length);
        item->setText(3, row.size);
        item->setTextAlignment(2, Qt::AlignCenter);
        item->setTextAlignment(3, Qt::AlignCenter);
        item->setFlags(data ? Qt::ItemIsSelectable : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    updateActions();
}

void TMainForm::setAllChecked(bool checked)
{
    for (int i = 0; i < m_trackList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_trackList->topLevelItem(i);
        if (item->flags().testFlag(Qt::ItemIsUserCheckable)) {
            item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    updateActions();
}

int TMainForm::checkedCount() const
{
    int count = 0;
    for (int i = 0; i < m_trackList->topLevelItemCount(); ++i) {
        count += m_trackList->topLevelItem(i)->checkState(0) == Qt::Checked ? 1 : 0;
    }
    return count;
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
        // A desktop without a window manager never activates the window; the notices of
        // the first activation must still come once the window is up.
        activateWindow();
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    }
}

void TMainForm::FormShow()
{
    if (m_driveHandle == 0) {
        m_driveHandle = openDrive(0);
    }
    if (m_driveHandle != 0) {
        if (tarnwick::audioCDPresent()) {
            fillTrackList();
        } else {
            m_noDisc = true;
        }
    }
    m_driveDescription = statusText();
}

bool TMainForm::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !m_activated) {
        // Let the window finish appearing before the start-up notices show over it.
        QTimer::singleShot(0, this, &TMainForm::FormActivate);
    }
    return QMainWindow::event(event);
}

void TMainForm::FormActivate()
{
    if (m_activated || m_closingOnRequest) {
        return;
    }
    m_activated = true;
    if (m_driveHandle == 0) {
        const QString folder = tarnwick::programFolder();
        const QString frog = folder + QStringLiteral("/FrogAspi.dll");
        const QString aspi = folder + QStringLiteral("/wnaspi32.dll");
        if (Files::exists(frog) && !Files::exists(aspi)) {
            Files::rename(frog, aspi);
            Prompt::instance().error(QStringLiteral("Configuration finished. Please exit the software and run again!"));
            return;
        }
        TNoDeviceForm hint(this);
        Prompt::instance().execWindow(&hint);
    }
    if (m_noDisc) {
        Prompt::instance().error(noDiscText());
    }
    setAllChecked(true);
    if (settings().IsShowTips) {
        m_tools->ActionTipExecute();
    }
}

void TMainForm::ActionRefreshExecute()
{
    if (m_driveHandle != 0 && tarnwick::audioCDPresent()) {
        fillTrackList();
        setAllChecked(true);
    } else {
        Prompt::instance().error(noDiscText());
    }
}

void TMainForm::ActionSelectAllExecute()
{
    setAllChecked(true);
}

void TMainForm::ActionSelectNoneExecute()
{
    setAllChecked(false);
}

void TMainForm::ChangeSkin(int scheme)
{
    ColourScheme::apply(this, scheme);
    settings().SkinIndex = scheme;
    for (QAction* action : SkinActions) {
        action->setChecked(action->data().toInt() == scheme);
    }
}

void TMainForm::VolumeArrived()
{
    fillTrackList();
}

void TMainForm::VolumeRemoved()
{
    m_trackList->clear();
    updateActions();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_trackList->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        QTreeWidgetItem* item = m_trackList->itemAt(mouse->position().toPoint());
        if (item != nullptr && item->isSelected() && (mouse->modifiers() & Qt::ControlModifier)) {
            item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            return true; // Ctrl would otherwise deselect the row
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TMainForm::saveOnClose()
{
    TDiscInfo& disc = settings().Disc;
    const int rows = m_trackList->topLevelItemCount();
    disc.TrackNumber = rows;
    // Row k shows track first + k - 1 and its title goes back under that number, so a
    // disc that starts at track 2 shows its titles on the same rows next time.
    const int first = rows > 0 ? std::max(m_trackList->topLevelItem(0)->text(0).toInt(), 1) : 1;
    for (int k = 1; k <= rows && first + k - 1 <= TDiscInfo::MaxTitles; ++k) {
        disc.setTitle(first + k - 1, m_trackList->topLevelItem(k - 1)->text(1));
    }
    QString error;
    if (!DiscInfoStore::save(disc, tarnwick::discKey(), discInfoPath(), &error, first)) {
        Prompt::instance().error(error);
        return false;
    }
    if (m_driveHandle != 0) {
        if (CloseCDHandle(m_driveHandle) == 0) {
            Prompt::instance().error(QStringLiteral("Error while closing CD handle!"));
        }
        // A window that stays open after a failed save must not use a closed handle.
        m_driveHandle = 0;
    }
    m_playback->shutDown();
    if (!SettingsStore::save(settings(), settingsPath(), &error)) {
        Prompt::instance().error(error);
        return false;
    }
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (beforeClose) {
        beforeClose();
    }
    if (saveOnClose()) {
        event->accept();
    } else if (m_closingOnRequest) {
        // Refusing would leave a program that cannot be ended short of killing it.
        m_exitCode = 1;
        event->accept();
    } else {
        event->ignore();
    }
}

void TMainForm::closeOnRequest()
{
    if (m_closingOnRequest) {
        return;
    }
    m_closingOnRequest = true;
    m_jobs->stopRunningJob();
    closeWindowsOnRequest();
}

void TMainForm::closeWindowsOnRequest()
{
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == this) {
            break;
        }
        // A window's own close steps first (the recorder saves, a lookup lets go of its
        // transfer); a message box without a way to cancel only goes by rejecting it.
        modal->close();
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
        if (modal->isVisible()) {
            modal->hide();
        }
    }
    // The windows' own event loops end once this call returns; a window that a closing
    // one opens is met on the next round.
    QTimer::singleShot(0, this, [this] {
        if (QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != this) {
            closeWindowsOnRequest();
        } else {
            close();
        }
    });
}
