#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>

// Look checks for windows: which texts do not fit their controls, and pictures of the
// window for a person to look at (written only when TARNWICK_SCREENSHOTS names a folder).
namespace windowcheck {

// "objectName: text" of every visible label, button, group box and pick-only list whose
// text needs more room than the control has.
inline QStringList clippedTexts(QWidget* window)
{
    QStringList clipped;
    auto note = [&clipped](const QWidget* w, const QString& text) {
        clipped << (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()) +
                       QStringLiteral(": ") + text;
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (!label->text().isEmpty() && !label->wordWrap() &&
                (label->sizeHint().width() > label->width() || label->sizeHint().height() > label->height())) {
                note(label, label->text());
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (!button->text().isEmpty() && button->sizeHint().width() > button->width()) {
                note(button, button->text());
            }
        } else if (auto* combo = qobject_cast<QComboBox*>(w); combo && !combo->isEditable()) {
            // The room the style (a skin's style sheet included) leaves beside the arrow, less
            // the margins the label is drawn with (seen to cut a text 2 px narrower than it).
            QStyleOptionComboBox option;
            option.initFrom(combo);
            const int room = combo->style()
                                 ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                                 .width();
            for (int i = 0; i < combo->count(); ++i) {
                if (combo->fontMetrics().horizontalAdvance(combo->itemText(i).trimmed()) + 12 > room) {
                    note(combo, combo->itemText(i));
                }
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            const int needed = group->fontMetrics().horizontalAdvance(group->title()) + 16;
            if (needed > group->width()) {
                note(group, group->title());
            }
        }
    }
    return clipped;
}

// Shows the window, lets it lay itself out, and saves its picture when asked to.
inline void showAndPicture(QWidget* window, const QString& name)
{
    window->show();
    QApplication::processEvents();
    const QString folder = qEnvironmentVariable("TARNWICK_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        window->grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
    }
}

} // namespace windowcheck
