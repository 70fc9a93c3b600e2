#include "app/TMainForm.h"

#include "app/TNoDeviceForm.h"
#include "app/TTipForm.h"
#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/TrackRow.h"
#include "common/ProductInfo.h"
#include "common/ProgramFolder.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/JobCommands.h"
#include "meta/gui/TfrmEditTrackName.h"
#include "meta/gui/TfrmID3Edit.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "platform/DeviceMonitor.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "platform/gui/Shell.h"
#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "settings/gui/TOptionSetForm.h"
#include "skins/ColourScheme.h"
#include "tools/TfrmAbout.h"
#include "tools/TfrmResample.h"
#include "tools/TfrmOggPlayer.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstring>

namespace {

const QString kNoDisc = QStringLiteral("Please check if have Audio CD in your CD device.");

QString entryText(const char* text, std::size_t size)
{
    return QString::fromLatin1(text, static_cast<qsizetype>(strnlen(text, size)));
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
    FormCreate();
    attachJobCommands();
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

void TMainForm::buildActions()
{
    auto make = [this](const QString& text, const QString& hint = QString(), const QKeySequence& keys = {}) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setStatusTip(hint);
        action->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
        action->setEnabled(false); // commands are enabled as their windows are attached
        return action;
    };
    ActionWavToWav = make(QStringLiteral("WA&V to WAV..."));
    ActionWavToMp3 = make(QStringLiteral("&WAV to MP3..."), QStringLiteral("Convert  WAV file to MP3 file"),
                          QKeySequence(Qt::CTRL | Qt::Key_W));
    ActionMp3ToWav = make(QStringLiteral("&MP3 to WAV..."), QStringLiteral("Convert  MP3 file to WAV file"));
    ActionWavToOgg = make(QStringLiteral("WAV to O&GG..."));
    ActionWavToWma = make(QStringLiteral("WAV to WM&A..."));
    ActionExtract = make(QStringLiteral("E&xtract"), QStringLiteral("Extract the selected track"),
                         QKeySequence(Qt::CTRL | Qt::Key_X));
    ActionRecord =
        make(QStringLiteral("&Record..."), QStringLiteral("Record to wav or mp3"), QKeySequence(Qt::CTRL | Qt::Key_R));
    ActionOggPlayer = make(QStringLiteral("Ogg Player"));
    ActionQueryFreedb = make(QStringLiteral("&Query Freedb"));
    ActionOptions = make(QStringLiteral("&Options..."), QStringLiteral("Options"), QKeySequence(Qt::CTRL | Qt::Key_O));
    ActionExit = make(QStringLiteral("E&xit"), QStringLiteral("Exit the program"));
    ActionExit->setEnabled(true);
    connect(ActionExit, &QAction::triggered, this, &QWidget::close);
    ActionOptions->setEnabled(true);
    connect(ActionOptions, &QAction::triggered, this, &TMainForm::ActionOptionsExecute);
    ActionEditTrackName =
        make(QStringLiteral("Rename &Title"), QStringLiteral("Rename track title"), QKeySequence(Qt::Key_F2));
    connect(ActionEditTrackName, &QAction::triggered, this, &TMainForm::aEditTrackNameExecute);
    ActionID3Edit = make(QStringLiteral("&ID3 Tag Edit"), QStringLiteral("MP3 ID3 edit"));
    ActionID3Edit->setEnabled(true);
    connect(ActionID3Edit, &QAction::triggered, this, &TMainForm::aID3EditExecute);
    ActionWavToWav->setEnabled(true);
    connect(ActionWavToWav, &QAction::triggered, this, &TMainForm::miWAVtoWAVClick);
    ActionAbout = make(QStringLiteral("&About..."));
    connect(ActionQueryFreedb, &QAction::triggered, this, &TMainForm::ActionQueryFreedbExecute);
    ActionAbout->setEnabled(true);
    connect(ActionAbout, &QAction::triggered, this, &TMainForm::ActionAboutExecute);
    ActionOggPlayer->setEnabled(true);
    connect(ActionOggPlayer, &QAction::triggered, this, &TMainForm::miOggPlayerClick);

    m_actionRefresh = make(QStringLiteral("&Refresh"));
    m_actionRefresh->setEnabled(true);
    connect(m_actionRefresh, &QAction::triggered, this, &TMainForm::ActionRefreshExecute);
    m_actionSelectAll =
        make(QStringLiteral("Select &All"), QStringLiteral("Select all tracks"), QKeySequence(Qt::CTRL | Qt::Key_A));
    m_actionSelectAll->setEnabled(true);
    connect(m_actionSelectAll, &QAction::triggered, this, &TMainForm::ActionSelectAllExecute);
    m_actionSelectNone = make(QStringLiteral("Select &None"), QStringLiteral("Cancel selected track"),
                              QKeySequence(Qt::CTRL | Qt::Key_N));
    m_actionSelectNone->setEnabled(true);
    connect(m_actionSelectNone, &QAction::triggered, this, &TMainForm::ActionSelectNoneExecute);

    const QStyle* s = style();
    ActionExtract->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
    ActionWavToMp3->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    ActionRecord->setIcon(s->standardIcon(QStyle::SP_MediaVolume));
    ActionQueryFreedb->setIcon(s->standardIcon(QStyle::SP_DriveNetIcon));
    ActionOptions->setIcon(s->standardIcon(QStyle::SP_FileDialogContentsView));
    ActionExit->setIcon(s->standardIcon(QStyle::SP_DialogCloseButton));
}

void TMainForm::buildMenus()
{
    auto disabled = [this](QMenu* menu, const QString& text, const QString& hint = QString(),
                           const QKeySequence& keys = {}) {
        QAction* action = menu->addAction(text);
        action->setShortcut(keys);
        action->setStatusTip(hint);
        action->setEnabled(false);
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(ActionWavToWav);
    file->addAction(ActionWavToMp3);
    file->addAction(ActionMp3ToWav);
    file->addAction(ActionWavToOgg);
    file->addAction(ActionWavToWma);
    file->addSeparator();
    QAction* openOutput = file->addAction(QStringLiteral("&Open output directory..."));
    connect(openOutput, &QAction::triggered, this, &TMainForm::ActionOpenOutputExecute);
    file->addAction(m_actionRefresh);
    disabled(file, QStringLiteral("&Eject CD"), {}, QKeySequence(Qt::CTRL | Qt::Key_E));
    disabled(file, QStringLiteral("&Close CD"), {}, QKeySequence(Qt::CTRL | Qt::Key_L));
    m_skinMenu = file->addMenu(QStringLiteral("Change &Skin"));
    auto* group = new QActionGroup(this);
    const QStringList schemes{QStringLiteral("&Diamond Blue"), QStringLiteral("&RealOne"), QStringLiteral("Win &XP"),
                              QStringLiteral("&Deep Blue"),    QStringLiteral("&Protein"), QStringLiteral("&Matrix")};
    for (int n = 0; n < schemes.size(); ++n) {
        QAction* action = m_skinMenu->addAction(schemes[n]);
        action->setCheckable(true);
        action->setData(n);
        group->addAction(action);
        m_skinActions << action;
        connect(action, &QAction::triggered, this, [this, n] { ChangeSkin(n); });
    }
    file->addSeparator();
    file->addAction(ActionExit);

    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    actions->addAction(ActionExtract);
    actions->addAction(ActionRecord);
    actions->addAction(ActionOggPlayer);
    actions->addSeparator();
    disabled(actions, QStringLiteral("&Play"), QStringLiteral("Play the current track"),
             QKeySequence(Qt::CTRL | Qt::Key_P));
    disabled(actions, QStringLiteral("P&ause"), QStringLiteral("Pause the current track"));
    disabled(actions, QStringLiteral("&Stop"), QStringLiteral("Stop the current track"));
    disabled(actions, QStringLiteral("&Volume Control..."), {}, QKeySequence(Qt::CTRL | Qt::Key_V));
    QMenu* history = actions->addMenu(QStringLiteral("&Clear History"));
    disabled(history, QStringLiteral("&RealOne Player"));
    disabled(history, QStringLiteral("&Windows Media Player"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->addAction(m_actionSelectAll);
    edit->addAction(m_actionSelectNone);
    edit->addSeparator();
    edit->addAction(ActionQueryFreedb);
    edit->addAction(ActionEditTrackName);
    edit->addAction(ActionID3Edit);
    edit->addAction(ActionOptions);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    disabled(help, QStringLiteral("&Help"), {}, QKeySequence(Qt::Key_F1));
    QAction* tip = help->addAction(QStringLiteral("&Tip of the Day"));
    connect(tip, &QAction::triggered, this, &TMainForm::ActionTipExecute);
    QAction* home = help->addAction(QStringLiteral("Home &Page"));
    home->setStatusTip(QStringLiteral("Tarnwick Home Page"));
    connect(home, &QAction::triggered, this, &TMainForm::ActionHomePageExecute);
    help->addAction(ActionAbout);
}

void TMainForm::buildToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolBar->setIconSize(QSize(24, 24));
    const QList<std::pair<QAction*, QString>> buttons{
        {ActionExtract, QStringLiteral("Extract")}, {ActionWavToMp3, QStringLiteral("Encode")},
        {ActionRecord, QStringLiteral("Record")},   {ActionQueryFreedb, QStringLiteral("Freedb")},
        {ActionOptions, QStringLiteral("Options")}, {ActionExit, QStringLiteral("Exit")}};
    for (const auto& [action, caption] : buttons) {
        // The toolbar shows short captions while the menus keep their own texts.
        auto* proxy = new QAction(action->icon(), caption, m_toolBar);
        proxy->setToolTip(action->toolTip());
        proxy->setEnabled(action->isEnabled());
        connect(proxy, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, proxy, &QAction::setEnabled);
        m_toolBar->addAction(proxy);
        if (action == ActionOptions) {
            m_toolBar->addSeparator();
        }
    }
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
    m_trackList->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_trackList->addAction(ActionExtract);
    m_trackList->addAction(m_actionSelectAll);
    m_trackList->addAction(m_actionSelectNone);
    m_trackList->addAction(ActionEditTrackName);
    connect(m_trackList, &QTreeWidget::itemSelectionChanged, this, &TMainForm::updateActions);
    connect(m_trackList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item->isSelected()) {
            aEditTrackNameExecute();
        }
    });
    layout->addWidget(m_trackList);
    setCentralWidget(central);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatusPanel0"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->setSizeGripEnabled(false);
}

QString TMainForm::statusText() const
{
    return m_status->text();
}

void TMainForm::setStatusText(const QString& text)
{
    m_status->setText(text);
}

void TMainForm::attachJobCommands()
{
    // One encoder process of each kind serves every job of the run.
    m_mp3 = std::make_unique<TMp3EncodeProcess>();
    m_wma = std::make_unique<TWMAEncodeProcess>();
    m_jobs = std::make_unique<JobCommands>(this, m_mp3.get(), m_wma.get());
    ActionExtract->setProperty("attached", true);
    connect(ActionExtract, &QAction::triggered, this, &TMainForm::ActionExtractExecute);
    const QList<std::pair<QAction*, void (JobCommands::*)()>> conversions{
        {ActionWavToMp3, &JobCommands::ActionWavToMp3Execute},
        {ActionMp3ToWav, &JobCommands::ActionMp3ToWavExecute},
        {ActionWavToOgg, &JobCommands::ActionWavToOggExecute},
        {ActionWavToWma, &JobCommands::ActionWavToWmaExecute}};
    for (const auto& [action, command] : conversions) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, command = command] { (m_jobs.get()->*command)(); });
    }
    beforeClose = [this] {
        // Closing is never refused: a running encoder is ended first.
        if (m_mp3->isRunning()) {
            m_mp3->stop(0);
        }
        if (m_wma->isRunning()) {
            m_wma->stop(0);
        }
    };
}

void TMainForm::ActionExtractExecute()
{
    QList<JobCommands::Row> rows;
    for (int i = 0; i < m_trackList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_trackList->topLevelItem(i);
        rows.append({item->text(1), item->checkState(0) == Qt::Checked});
    }
    m_jobs->ActionExtractExecute(m_driveHandle, rows, m_playing, [this] { stopPlayback(); });
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

void TMainForm::aEditTrackNameExecute()
{
    const QList<QTreeWidgetItem*> selected = m_trackList->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    QTreeWidgetItem* row = selected.first();
    TfrmEditTrackName form(this);
    form.eName->setText(row->text(1));
    if (Prompt::instance().execWindow(&form) == QDialog::Accepted) {
        row->setText(1, form.eName->text());
    }
}

void TMainForm::aID3EditExecute()
{
    TfrmID3Edit form(this);
    Prompt::instance().execWindow(&form);
}

void TMainForm::miWAVtoWAVClick()
{
    TfrmResample form(this);
    Prompt::instance().execWindow(&form);
}

void TMainForm::ActionAboutExecute()
{
    TfrmAbout form(this);
    Prompt::instance().execWindow(&form);
}

void TMainForm::miOggPlayerClick()
{
    TfrmOggPlayer player(this);
    Prompt::instance().execWindow(&player);
}

void TMainForm::stopPlayback()
{
    m_playing = false;
    m_paused = false;
    setStatusText(m_driveDescription);
}

void TMainForm::updateActions()
{
    ActionExtract->setEnabled(ActionExtract->property("attached").toBool() && checkedCount() > 0);
    ActionEditTrackName->setEnabled(!m_trackList->selectedItems().isEmpty());
    ActionQueryFreedb->setEnabled(m_trackList->topLevelItemCount() > 0);
}

void TMainForm::ActionQueryFreedbExecute()
{
    TOC toc{};
    if (ReadTOC(m_driveHandle, &toc) != 1) {
        Prompt::instance().error(QStringLiteral("Error while reading TOC information!"));
        return;
    }
    TfrmQueryCDDB form(this);
    form.firstTrack = toc.firstTrack;
    form.lastTrack = toc.lastTrack;
    form.cdHandle = m_driveHandle;
    form.trackList = m_trackList;
    Prompt::instance().execWindow(&form);
}

void TMainForm::FormCreate()
{
    SettingsStore::load(settings(), settingsPath());
    ColourScheme::apply(this, settings().SkinIndex);
    for (QAction* action : m_skinActions) {
        action->setChecked(action->data().toInt() == settings().SkinIndex);
    }
    m_noDisc = false;
    m_playing = false;
    m_paused = false;
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
    setStatusText(entryText(entry.vendor, sizeof entry.vendor) + entryText(entry.product, sizeof entry.product));
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
    DiscInfoStore::load(settings().Disc, tarnwick::discKey(), discInfoPath());
    ModifyCDParms(m_driveHandle, cdaudio::AddressingParameter, 1);
    m_trackList->clear();
    TOC toc{};
    if (ReadTOC(m_driveHandle, &toc) != 1) {
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
        if (settings().Disc.title(t).isEmpty()) {
            settings().Disc.setTitle(t, DiscInfoStore::defaultTitle(t));
        }
        const TOCEntry& start = toc.entries[entry];
        const TOCEntry& next = toc.entries[entry + 1];
        const TrackRow row = TrackRow::make(t, start.address[1], start.address[2], next.address[1], next.address[2]);
        auto* item = new QTreeWidgetItem(m_trackList);
        item->setText(0, row.number);
        item->setText(1, settings().Disc.title(t));
        item->setText(2, row.length);
        item->setText(3, row.size);
        item->setTextAlignment(2, Qt::AlignCenter);
        item->setTextAlignment(3, Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    updateActions();
}

void TMainForm::setAllChecked(bool checked)
{
    for (int i = 0; i < m_trackList->topLevelItemCount(); ++i) {
        m_trackList->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
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
    if (m_activated) {
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
        Prompt::instance().error(kNoDisc);
    }
    setAllChecked(true);
    if (settings().IsShowTips) {
        ActionTipExecute();
    }
}

void TMainForm::ActionRefreshExecute()
{
    if (m_driveHandle != 0 && tarnwick::audioCDPresent()) {
        fillTrackList();
        setAllChecked(true);
    } else {
        Prompt::instance().error(kNoDisc);
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

void TMainForm::ActionOpenOutputExecute()
{
    const QString folder = settings().OutputFolder;
    if (Files::folderExists(folder)) {
        Shell::openPath(folder);
    } else {
        Prompt::instance().error(folder + QStringLiteral(",") + QStringLiteral("The output directory does not exist."));
    }
}

void TMainForm::ActionTipExecute()
{
    TTipForm tips(this);
    tips.setSettingsPath(settingsPath());
    Prompt::instance().execWindow(&tips);
}

void TMainForm::ActionHomePageExecute()
{
    Shell::openUrl(ProductInfo::homePage);
}

void TMainForm::ActionHelpExecute() {}

void TMainForm::ChangeSkin(int scheme)
{
    ColourScheme::apply(this, scheme);
    settings().SkinIndex = scheme;
    for (QAction* action : m_skinActions) {
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
    for (int k = 1; k <= rows && k <= TDiscInfo::MaxTitles; ++k) {
        disc.setTitle(k, m_trackList->topLevelItem(k - 1)->text(1));
    }
    QString error;
    if (!DiscInfoStore::save(disc, tarnwick::discKey(), discInfoPath(), &error)) {
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
    m_playing = false;
    m_paused = false;
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
    } else {
        event->ignore();
    }
}
