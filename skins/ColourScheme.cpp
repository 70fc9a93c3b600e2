#include "skins/ColourScheme.h"

#include <QFile>
#include <QString>
#include <QWidget>

namespace ColourScheme {

namespace {

QString themeFile(const char* name)
{
    QFile file(QStringLiteral(":/skins/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

// A built-in scheme from five colours: window, base (lists and edits), text, accent
// and the light end of bars.
QString builtIn(const char* window, const char* base, const char* text, const char* accent, const char* light)
{
    return QStringLiteral(
               "QWidget { background-color: %1; color: %3; }"
               "QToolBar { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 %5, stop:1 %1);"
               " border: 1px solid %4; spacing: 4px; padding: 2px; }"
               "QToolButton { background: transparent; border: 1px solid transparent; border-radius: 3px;"
               " padding: 3px 8px; }"
               "QToolButton:hover { border-color: %4; background: %5; }"
               "QToolButton:disabled { color: gray; }"
               "QPushButton { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, stop:0 %5, stop:1 %1);"
               " border: 1px solid %4; border-radius: 3px; padding: 4px 14px; }"
               "QTreeWidget, QListWidget, QLineEdit, QComboBox, QSpinBox, QTextEdit { background: %2;"
               " alternate-background-color: %5;"
               " border: 1px solid %4; selection-background-color: %4; selection-color: white; }"
               "QHeaderView::section { background: %5; border: 1px solid %4; padding: 3px; }"
               "QStatusBar { background: %5; border: 1px solid %4; }"
               "QMenuBar::item:selected, QMenu::item:selected { background: %4; color: white; }"
               "QProgressBar { border: 1px solid %4; border-radius: 3px; background: %2; text-align: center; }"
               "QProgressBar::chunk { background: %4; }"
               "QGroupBox { border: 1px solid %4; border-radius: 4px; margin-top: 10px; padding-top: 6px; }"
               "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }")
        .arg(QLatin1String(window), QLatin1String(base), QLatin1String(text), QLatin1String(accent),
             QLatin1String(light));
}

} // namespace

QString styleSheet(int n)
{
    switch (n) {
    case 0:
        return themeFile("DiamondBlue.ssk");
    case 1:
        return themeFile("RealOne.ssk");
    case 2:
        return builtIn("#ece9d8", "#ffffff", "#000000", "#316ac5", "#f7f6ef");
    case 3:
        return builtIn("#1c2f52", "#0f1c33", "#dbe6ff", "#4f86e0", "#2c4673");
    case 4:
        return builtIn("#e8eee4", "#ffffff", "#1f2a1a", "#6b8e23", "#f6f9f3");
    case 5:
        return themeFile("matrix.ssk");
    default:
        return {};
    }
}

void apply(QWidget* window, int n)
{
    if (window == nullptr || n < 0 || n >= Count) {
        return;
    }
    window->setStyleSheet(styleSheet(n));
}

} // namespace ColourScheme
