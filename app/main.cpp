#include "app/TMainForm.h"
#include "meta/gui/TQueryCDDBThread.h"
#include "platform/Prompt.h"
#include "platform/WaveAudio.h"
#include "platform/gui/QtPrompt.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    Prompt::install(std::make_shared<QtPrompt>());
    // The sound devices are counted once, now; every player asks this one service.
    WaveAudio::instance();
    TMainForm form;
    form.show();
    const int result = QApplication::exec();
    // A stopped lookup ends its transfer within moments; let it go before the libraries do.
    TQueryCDDBThread::waitForAll();
    return result;
}
