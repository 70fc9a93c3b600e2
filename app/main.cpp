#include "app/TMainForm.h"
#include "platform/Prompt.h"
#include "platform/gui/QtPrompt.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    Prompt::install(std::make_shared<QtPrompt>());
    TMainForm form;
    form.show();
    return QApplication::exec();
}
