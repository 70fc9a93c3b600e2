// The main window's commands: the actions, the four menus, the toolbar, the list's
// pop-up menu, the enabling rules, and where each command is handed on.
#include "app/HistoryCommands.h"
#include "app/TMainForm.h"
#include "app/ToolCommands.h"
#include "app/TrayCommands.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/JobCommands.h"
#include "platform/DriveTray.h"
#include "platform/KeyStore.h"
#include "platform/WindowLookup.h"
#include "skins/SchemePictures.h"

#include <QActionGroup>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const char* const kAttached = "attached";

} // namespace

void TMainForm::buildActions()
{
    auto make = [this](const QString& text, const QString& hint = QString(), const QKeySequence& keys = {}) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setStatusTip(hint);
        action->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
        action->setEnabled(false); // enabled once a handler is attached
        return action;
    };
    const auto ctrl = [](Qt::Key key) { return QKeySequence(Qt::CTRL | key); };

    ActionWavToWav = make(QStringLiteral("WA&V to WAV..."));
    ActionWavToMp3 =
        make(QStringLiteral("&WAV to MP3..."), QStringLiteral("Convert  WAV file to MP3 file"), ctrl(Qt::Key_W));
    ActionMp3ToWav = make(QStringLiteral("&MP3 to WAV..."), QStringLiteral("Convert  MP3 file to WAV file"));
    ActionWavToOgg = make(QStringLiteral("WAV to O&GG..."));
    ActionWavToWma = make(QStringLiteral("WAV to WM&A..."));
    ActionWavToFlac = make(QStringLiteral("WAV to F&LAC..."));
    ActionOpenOutput = make(QStringLiteral("&Open output directory..."));
    ActionRefresh = make(QStringLiteral("&Refresh"));
    ActionEject = make(QStringLiteral("&Eject CD"), {}, ctrl(Qt::Key_E));
    ActionCloseTray = make(QStringLiteral("&Close CD"), {}, ctrl(Qt::Key_L));
    ActionExit = make(QStringLiteral("E&xit"), QStringLiteral("Exit the program"));

    ActionExtract = make(QStringLiteral("E&xtract"), QStringLiteral("Extract the selected track"), ctrl(Qt::Key_X));
    ActionRecord = make(QStringLiteral("&Record..."), QStringLiteral("Record to wav or mp3"), ctrl(Qt::Key_R));
    ActionOggPlayer = make(QStringLiteral("Ogg Player"));
    ActionPlay = make(QStringLiteral("&Play"), QStringLiteral("Play the current track"), ctrl(Qt::Key_P));
    ActionPause = make(QStringLiteral("P&ause"), QStringLiteral("Pause the current track"));
    ActionStop = make(QStringLiteral("&Stop"), QStringLiteral("Stop the current track"));
    ActionVolumeControl = make(QStringLiteral("&Volume Control..."), {}, ctrl(Qt::Key_V));
    ActionClearRealOne = make(QStringLiteral("&RealOne Player"));
    ActionClearMediaPlayer = make(QStringLiteral("&Windows Media Player"));

    ActionSelectAll = make(QStringLiteral("Select &All"), QStringLiteral("Select all tracks"), ctrl(Qt::Key_A));
    ActionSelectNone = make(QStringLiteral("Select &None"), QStringLiteral("Cancel selected track"), ctrl(Qt::Key_N));
    ActionQueryFreedb = make(QStringLiteral("&Query Freedb"));
    ActionEditTrackName =
        make(QStringLiteral("Rename &Title"), QStringLiteral("Rename track title"), QKeySequence(Qt::Key_F2));
    ActionID3Edit = make(QStringLiteral("&ID3 Tag Edit"), QStringLiteral("MP3 ID3 edit"));
    ActionOptions = make(QStringLiteral("&Options..."), QStringLiteral("Options"), ctrl(Qt::Key_O));

    ActionHelp = make(QStringLiteral("&Help"), {}, QKeySequence(Qt::Key_F1));
    ActionTip = make(QStringLiteral("&Tip of the Day"));
    ActionHomePage = make(QStringLiteral("Home &Page"), QStringLiteral("Tarnwick Home Page"));
    ActionAbout = make(QStringLiteral("&About..."));

    auto* skins = new QActionGroup(this);
    const QStringList schemes{QStringLiteral("&Diamond Blue"), QStringLiteral("&RealOne"), QStringLiteral("Win &XP"),
                              QStringLiteral("&Deep Blue"),    QStringLiteral("&Protein"), QStringLiteral("&Matrix")};
    for (int n = 0; n < schemes.size(); ++n) {
        QAction* action = make(schemes[n]);
        action->setCheckable(true);
        action->setData(n);
        skins->addAction(action);
        SkinActions << action;
    }

    using P = SchemePictures::Picture;
    m_pictures = {{ActionExtract, P::Extract},    {ActionWavToMp3, P::Encode}, {ActionRecord, P::Record},
                  {ActionQueryFreedb, P::Lookup}, {ActionOptions, P::Options}, {ActionExit, P::Exit},
                  {ActionPlay, P::Play},          {ActionPause, P::Pause},     {ActionStop, P::Stop}};
}

// The pictures take the text colour of the widget that shows them, so each action's
// picture is made for its menu and each toolbar button gets one of its own.
void TMainForm::setMenuPictures(QMenu* menu)
{
    for (const auto& [action, picture] : m_pictures) {
        if (menu->actions().contains(action)) {
            action->setIcon(SchemePictures::icon(picture, menu));
        }
    }
}

void TMainForm::buildMenus()
{
    auto fill = [](QMenu* menu, const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (action == nullptr) {
                menu->addSeparator();
            } else {
                menu->addAction(action);
            }
        }
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    fill(file, {ActionWavToWav, ActionWavToMp3, ActionMp3ToWav, ActionWavToOgg, ActionWavToWma, ActionWavToFlac,
                nullptr, ActionOpenOutput, ActionRefresh, nullptr, ActionEject, ActionCloseTray, nullptr});
    QMenu* skin = file->addMenu(QStringLiteral("Change &Skin"));
    skin->setObjectName(QStringLiteral("ChangeSkin"));
    fill(skin, SkinActions);
    fill(file, {nullptr, ActionExit});
    setMenuPictures(file);

    QMenu* actions = menuBar()->addMenu(QStringLiteral("&Actions"));
    fill(actions, {ActionExtract, ActionRecord, ActionOggPlayer, nullptr, ActionPlay, ActionPause, ActionStop, nullptr,
                   ActionVolumeControl});
    QMenu* history = actions->addMenu(QStringLiteral("&Clear History"));
    fill(history, {ActionClearRealOne, ActionClearMediaPlayer});
    setMenuPictures(actions);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    fill(edit, {ActionSelectAll, ActionSelectNone, nullptr, ActionQueryFreedb, ActionEditTrackName, ActionID3Edit,
                nullptr, ActionOptions});
    setMenuPictures(edit);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    fill(help, {ActionHelp, ActionTip, ActionHomePage, nullptr, ActionAbout});
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
        auto* proxy = new QAction(caption, m_toolBar);
        proxy->setToolTip(action->toolTip());
        proxy->setStatusTip(action->statusTip());
        proxy->setEnabled(action->isEnabled());
        connect(proxy, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::enabledChanged, proxy, &QAction::setEnabled);
        m_toolBar->addAction(proxy);
        if (QWidget* button = m_toolBar->widgetForAction(proxy)) {
            button->setAccessibleName(caption);
            for (const auto& [source, picture] : m_pictures) {
                if (source == action) {
                    proxy->setIcon(SchemePictures::icon(picture, button));
                }
            }
        }
        if (action == ActionOptions) {
            m_toolBar->addSeparator();
        }
    }
    // Shown when the window is too narrow for every button or menu: pictures only, so a
    // screen reader needs their names.
    if (auto* more = m_toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("More tools"));
    }
    if (auto* more = menuBar()->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"))) {
        more->setAccessibleName(QStringLiteral("More menus"));
    }
}

void TMainForm::attach(QAction* action, std::function<void()> handler)
{
    action->setProperty(kAttached, true);
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    updateActions();
}

void TMainForm::attachCommands()
{
    // One encoder process of each kind serves every job of the run.
    m_mp3 = std::make_unique<TMp3EncodeProcess>();
    m_wma = std::make_unique<TWMAEncodeProcess>();
    m_jobs = std::make_unique<JobCommands>(this, m_mp3.get(), m_wma.get());
    // What a job proved about its copy stays in view after its window is gone.
    m_jobs->showStatus = [this](const QString& text) { setStatusText(text); };
    attach(ActionExtract, [this] { ActionExtractExecute(); });
    attach(ActionWavToMp3, [this] { m_jobs->ActionWavToMp3Execute(); });
    attach(ActionMp3ToWav, [this] { m_jobs->ActionMp3ToWavExecute(); });
    attach(ActionWavToOgg, [this] { m_jobs->ActionWavToOggExecute(); });
    attach(ActionWavToWma, [this] { m_jobs->ActionWavToWmaExecute(); });
    attach(ActionWavToFlac, [this] { m_jobs->ActionWavToFlacExecute(); });
    beforeClose = [this] {
        // Closing is never refused: a running encoder is ended first.
        if (m_mp3->isRunning()) {
            m_mp3->stop(0);
        }
        if (m_wma->isRunning()) {
            m_wma->stop(0);
        }
    };

    if (m_playback->canPlay()) {
        attach(ActionPlay, [this] { m_playback->ActionPlayExecute(); });
        attach(ActionPause, [this] { m_playback->ActionPauseExecute(); });
        attach(ActionStop, [this] { m_playback->ActionStopExecute(); });
    }
    connect(m_playback.get(), &PlaybackCommands::stateChanged, this, &TMainForm::updateActions);

    m_tray = std::make_unique<TrayCommands>(*this, m_setup.driveTray ? m_setup.driveTray() : DriveTray::create());
    attach(ActionEject, [this] { m_tray->ActionEjectExecute(); });
    attach(ActionCloseTray, [this] { m_tray->ActionCloseExecute(); });

    m_tools = std::make_unique<ToolCommands>(*this);
    attach(ActionOpenOutput, [this] { m_tools->ActionOpenOutputExecute(); });
    attach(ActionVolumeControl, [this] { m_tools->ActionVolumeControlExecute(); });
    attach(ActionHelp, [this] { m_tools->ActionHelpExecute(); });
    attach(ActionTip, [this] { m_tools->ActionTipExecute(); });
    attach(ActionHomePage, [this] { m_tools->ActionHomePageExecute(); });
    attach(ActionEditTrackName, [this] { m_tools->ActionEditTrackNameExecute(); });
    attach(ActionID3Edit, [this] { m_tools->ActionID3EditExecute(); });
    attach(ActionQueryFreedb, [this] { m_tools->ActionQueryFreedbExecute(); });
    attach(ActionWavToWav, [this] { m_tools->ActionWavToWavExecute(); });
    attach(ActionOggPlayer, [this] { m_tools->ActionOggPlayerExecute(); });
    attach(ActionRecord, [this] { m_tools->ActionRecordExecute(); });
    attach(ActionAbout, [this] { m_tools->ActionAboutExecute(); });

    m_history = std::make_unique<HistoryCommands>(
        std::make_unique<KeyStore>(m_setup.keyStorePath.isEmpty() ? KeyStore::defaultPath() : m_setup.keyStorePath),
        m_setup.windowLookup ? m_setup.windowLookup() : WindowLookup::create());
    attach(ActionClearRealOne, [this] { m_history->ActionClearRealOneExecute(); });
    attach(ActionClearMediaPlayer, [this] { m_history->ActionClearMediaPlayerExecute(); });

    attach(ActionRefresh, [this] { ActionRefreshExecute(); });
    attach(ActionSelectAll, [this] { ActionSelectAllExecute(); });
    attach(ActionSelectNone, [this] { ActionSelectNoneExecute(); });
    attach(ActionOptions, [this] { ActionOptionsExecute(); });
    attach(ActionExit, [this] { close(); });
    for (QAction* action : SkinActions) {
        attach(action, [this, n = action->data().toInt()] { ChangeSkin(n); });
    }
}

void TMainForm::updateActions()
{
    const auto rule = [](QAction* action, bool on) { action->setEnabled(action->property(kAttached).toBool() && on); };
    if (!m_playback) {
        return; // still being built
    }
    const bool selected = selectedRow() >= 0;
    rule(ActionExtract, checkedCount() > 0);
    rule(ActionPlay, selected);
    rule(ActionEditTrackName, selected);
    rule(ActionQueryFreedb, m_trackList->topLevelItemCount() > 0);
    rule(ActionStop, playing());
    rule(ActionPause, playing() && !paused());
}
