#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <functional>
#include <ostream>

// Look checks for pictures: how well a picture stands out from what is behind it, measured
// the way the accessibility guidelines do (relative luminance, contrast ratio), on the widget
// as the scheme really paints it.
namespace picturecheck {

// The relative luminance of a colour (0 black .. 1 white).
inline double luminance(const QColor& colour)
{
    auto channel = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) + 0.0722 * channel(colour.blueF());
}

// 1 (no difference) .. 21 (black on white).
inline double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct Measure
{
    QColor foreground;
    QColor background;
    double ratio = 1.0;
    int pixels = 0; // how many pixels the picture changed
};

inline std::ostream& operator<<(std::ostream& out, const Measure& m)
{
    return out << m.foreground.name().toStdString() << " on " << m.background.name().toStdString() << ": " << m.ratio
               << ":1 over " << m.pixels << " px";
}

// What `widget` shows as its window paints it, with the backgrounds of everything behind it
// (a widget grabbed alone shows black where it lets its parent's background through).
inline QImage seen(QWidget* widget)
{
    QWidget* window = widget->window();
    const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
    return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

// Grabs `widget` with its picture and again with `showPicture(false)` (which must take
// away the picture only, keeping the layout), then compares: the pixels that changed are
// the picture's. Its dominant colour is the most common one among them (anti-aliased edges
// fall into many small groups), measured against what the same pixels show without it.
inline Measure measure(QWidget* widget, const std::function<void(bool)>& showPicture)
{
    // Events first (layout, and whatever the window does by itself), none between the grabs.
    QApplication::processEvents();
    showPicture(true);
    const QImage with = seen(widget);
    showPicture(false);
    const QImage without = seen(widget);
    showPicture(true);

    Measure m;
    if (with.size() != without.size()) {
        return m;
    }
    struct Group
    {
        int count = 0;
        double r = 0, g = 0, b = 0, br = 0, bg = 0, bb = 0;
    };
    QHash<QRgb, Group> groups;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x) {
            const QColor a = with.pixelColor(x, y);
            const QColor b = without.pixelColor(x, y);
            if (std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) <= 24) {
                continue;
            }
            ++m.pixels;
            Group& group = groups[qRgb(a.red() >> 4, a.green() >> 4, a.blue() >> 4)];
            ++group.count;
            group.r += a.red();
            group.g += a.green();
            group.b += a.blue();
            group.br += b.red();
            group.bg += b.green();
            group.bb += b.blue();
        }
    }
    // Ties go to the group of the higher contrast, so the answer does not depend on the order
    // the groups are kept in.
    auto ratioOf = [](const Group& g) {
        return contrast(QColor(qRound(g.r / g.count), qRound(g.g / g.count), qRound(g.b / g.count)),
                        QColor(qRound(g.br / g.count), qRound(g.bg / g.count), qRound(g.bb / g.count)));
    };
    const Group* dominant = nullptr;
    for (const Group& group : groups) {
        if (dominant == nullptr || group.count > dominant->count ||
            (group.count == dominant->count && ratioOf(group) > ratioOf(*dominant))) {
            dominant = &group;
        }
    }
    if (dominant == nullptr) {
        return m;
    }
    const double n = dominant->count;
    m.foreground = QColor(qRound(dominant->r / n), qRound(dominant->g / n), qRound(dominant->b / n));
    m.background = QColor(qRound(dominant->br / n), qRound(dominant->bg / n), qRound(dominant->bb / n));
    m.ratio = contrast(m.foreground, m.background);
    return m;
}

// The picture of a usable (enabled) button, taken away by an empty picture of the same size.
inline Measure measureButton(QAbstractButton* button)
{
    const QIcon icon = button->icon();
    QPixmap blank(button->iconSize());
    blank.fill(Qt::transparent);
    return measure(button, [button, icon, blank](bool shown) {
        button->setEnabled(true);
        button->setIcon(shown ? icon : QIcon(blank));
    });
}

// A label's picture, taken away by an empty picture of the same size.
inline Measure measureLabel(QLabel* label)
{
    const QPixmap picture = label->pixmap();
    QPixmap blank(picture.size());
    blank.setDevicePixelRatio(picture.devicePixelRatio());
    blank.fill(Qt::transparent);
    return measure(label, [label, picture, blank](bool shown) { label->setPixmap(shown ? picture : blank); });
}

// "objectName (class)" of every visible button under `window` that shows a picture and no
// text but has no name for screen readers.
inline QStringList unnamedPictureButtons(QWidget* window)
{
    QStringList unnamed;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(window) || !button->text().trimmed().isEmpty()) {
            continue;
        }
        if (button->accessibleName().trimmed().isEmpty()) {
            unnamed << button->objectName() + QStringLiteral(" (") +
                           QString::fromLatin1(button->metaObject()->className()) + QLatin1Char(')');
        }
    }
    return unnamed;
}

} // namespace picturecheck
