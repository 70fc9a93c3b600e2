#pragma once

#include <QString>

class TMainForm;

// The main window's commands that open something beside it: the output folder, the
// desktop's mixer, the user guide, the home page, the tip window, the title and tag
// editors, the disc lookup and the tool windows.
class ToolCommands
{
public:
    explicit ToolCommands(TMainForm& window);

    void ActionOpenOutputExecute();
    void ActionVolumeControlExecute();
    void ActionHelpExecute();
    void ActionHomePageExecute();
    void ActionTipExecute();
    void ActionEditTrackNameExecute();
    void ActionID3EditExecute();
    void ActionQueryFreedbExecute();
    void ActionWavToWavExecute();
    void ActionOggPlayerExecute();
    void ActionRecordExecute();
    void ActionAboutExecute();

    // "Ripguide.CHM" in the program folder when it is there, else our own HTML guide
    // (program folder first, then beside the executable); empty when neither exists.
    static QString helpFile();
    static QString homePage();

private:
    TMainForm& m_window;
};
