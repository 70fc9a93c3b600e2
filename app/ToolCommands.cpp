#include "app/ToolCommands.h"

#include "app/TMainForm.h"
#include "app/TTipForm.h"
#include "cd/CDDriveLibrary.h"
#include "common/ProductInfo.h"
#include "common/ProgramFolder.h"
#include "meta/gui/TfrmEditTrackName.h"
#include "meta/gui/TfrmID3Edit.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "platform/Files.h"
#include "platform/Mixer.h"
#include "platform/Prompt.h"
#include "platform/gui/Shell.h"
#include "recorder/TfrmRecord.h"
#include "settings/TSettings.h"
#include "tools/TfrmAbout.h"
#include "tools/TfrmOggPlayer.h"
#include "tools/TfrmResample.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTreeWidget>

namespace {

const QString kGuide = QStringLiteral("userguide.html");

} // namespace

ToolCommands::ToolCommands(TMainForm& window) : m_window(window) {}

QString ToolCommands::helpFile()
{
    const QString folder = tarnwick::programFolder();
    const QString chm = folder + QStringLiteral("/Ripguide.CHM");
    if (Files::exists(chm)) {
        return chm;
    }
    for (const QString& place : {folder, QCoreApplication::applicationDirPath()}) {
        const QString guide = place + QLatin1Char('/') + kGuide;
        if (Files::exists(guide)) {
            return guide;
        }
    }
    return {};
}

QString ToolCommands::homePage()
{
    return ProductInfo::homePage;
}

void ToolCommands::ActionOpenOutputExecute()
{
    const QString folder = settings().OutputFolder;
    if (Files::folderExists(folder)) {
        Shell::openPath(folder);
    } else {
        Prompt::instance().error(folder + QStringLiteral(",") + QStringLiteral("The output directory does not exist."));
    }
}

void ToolCommands::ActionVolumeControlExecute()
{
    if (!Mixer::open(Mixer::Page::Playback)) {
        Prompt::instance().error(QStringLiteral("No sound mixer was found. Please install pavucontrol or alsamixer."));
    }
}

void ToolCommands::ActionHelpExecute()
{
    const QString file = helpFile();
    if (file.isEmpty()) {
        Prompt::instance().error(QStringLiteral("The user guide was not found beside the program."));
        return;
    }
    Shell::openPath(file);
}

void ToolCommands::ActionHomePageExecute()
{
    Shell::openUrl(homePage());
}

void ToolCommands::ActionTipExecute()
{
    TTipForm tips(&m_window);
    tips.setSettingsPath(m_window.settingsPath());
    Prompt::instance().execWindow(&tips);
}

void ToolCommands::ActionEditTrackNameExecute()
{
    const int selected = m_window.selectedRow();
    if (selected < 0) {
        return;
    }
    QTreeWidgetItem* row = m_window.trackList()->topLevelItem(selected);
    TfrmEditTrackName form(&m_window);
    form.eName->setText(row->text(1));
    if (Prompt::instance().execWindow(&form) == QDialog::Accepted) {
        row->setText(1, form.eName->text());
    }
}

void ToolCommands::ActionID3EditExecute()
{
    TfrmID3Edit form(&m_window);
    Prompt::instance().execWindow(&form);
}

void ToolCommands::ActionQueryFreedbExecute()
{
    TOC toc{};
    if (ReadTOC(m_window.driveHandle(), &toc) != 1) {
        Prompt::instance().error(QStringLiteral("Error while reading TOC information!"));
        return;
    }
    TfrmQueryCDDB form(&m_window);
    form.firstTrack = toc.firstTrack;
    form.lastTrack = toc.lastTrack;
    form.cdHandle = m_window.driveHandle();
    form.trackList = m_window.trackList();
    Prompt::instance().execWindow(&form);
}

void ToolCommands::ActionWavToWavExecute()
{
    TfrmResample form(&m_window);
    Prompt::instance().execWindow(&form);
}

void ToolCommands::ActionOggPlayerExecute()
{
    TfrmOggPlayer player(&m_window);
    Prompt::instance().execWindow(&player);
}

void ToolCommands::ActionRecordExecute()
{
    TfrmRecord form(&m_window, m_window.driveHandle(), m_window.mp3EncodeProcess(), m_window.wmaEncodeProcess());
    Prompt::instance().execWindow(&form);
}

void ToolCommands::ActionAboutExecute()
{
    TfrmAbout form(&m_window);
    Prompt::instance().execWindow(&form);
}
