#include "app/TMainForm.h"
#include "meta/gui/TQueryCDDBThread.h"
#include "platform/Prompt.h"
#include "platform/StopSignals.h"
#include "platform/WaveAudio.h"
#include "platform/gui/QtPrompt.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    // A log-out, a service manager or kill ends the program as File > Exit does; a second
    // request while it closes ends it at once.
    StopSignals stopSignals(StopSignals::Repeat::EndsProgram);
    Prompt::install(std::make_shared<QtPrompt>());
    // The sound devices are counted once, now; every player asks this one service.
    WaveAudio::instance();
    TMainForm form;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &form, &TMainForm::closeOnRequest);
    form.show();
    // For tests of the whole program: the checked tracks are extracted as soon as the
    // window is up, as if the user had pressed Extract.
    if (qEnvironmentVariableIsSet("TARNWICK_EXTRACT_AT_START")) {
        QTimer::singleShot(0, &form, [&form] {
            form.FormActivate();
            if (!StopSignals::received()) {
                form.ActionExtract->trigger();
            }
        });
    }
    const int result = QApplication::exec();
    // A stopped lookup ends its transfer within moments; let it go before the libraries do.
    TQueryCDDBThread::waitForAll();
    return result != 0 ? result : form.exitCode();
}
