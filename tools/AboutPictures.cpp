#include "tools/AboutPictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace AboutPictures {

namespace {

void drawDisc(QPainter& painter, const QRectF& box)
{
    QRadialGradient silver(box.center() - QPointF(box.width() / 6, box.height() / 6), box.width() * 0.7);
    silver.setColorAt(0.0, QColor(0xf4, 0xf7, 0xfb));
    silver.setColorAt(0.5, QColor(0xb9, 0xc8, 0xdc));
    silver.setColorAt(0.8, QColor(0xe3, 0xd2, 0xf0));
    silver.setColorAt(1.0, QColor(0x8c, 0x9e, 0xb8));
    painter.setPen(QPen(QColor(0x4a, 0x5a, 0x70), std::max(1.0, box.width() / 48)));
    painter.setBrush(silver);
    painter.drawEllipse(box);
    const double hole = box.width() * 0.16;
    painter.setBrush(Qt::white);
    painter.drawEllipse(box.center(), hole, hole);
}

} // namespace

QPixmap programIcon(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawDisc(painter, QRectF(1, 1, size * 0.78, size * 0.78));
    // A note leaving the disc: what the program makes of it.
    const double s = size / 48.0;
    painter.setPen(QPen(QColor(0x1d, 0x4e, 0x89), 3 * s, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(40 * s, 18 * s), QPointF(40 * s, 40 * s));
    painter.drawLine(QPointF(40 * s, 18 * s), QPointF(46 * s, 22 * s));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1d, 0x4e, 0x89));
    painter.drawEllipse(QPointF(36 * s, 41 * s), 5 * s, 4 * s);
    return picture;
}

QPixmap banner(int width, int height)
{
    QPixmap picture(width, height);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0.0, QColor(0x0e, 0x2a, 0x4f));
    sky.setColorAt(1.0, QColor(0x2f, 0x6d, 0xb5));
    painter.fillRect(picture.rect(), sky);
    // A sound wave running across, fading to the right.
    QPainterPath wave;
    wave.moveTo(0, height / 2.0);
    for (int x = 0; x <= width; x += 2) {
        const double t = x / 14.0;
        const double amplitude = height * 0.32 * (1.0 - 0.7 * x / double(width));
        wave.lineTo(x, height / 2.0 + amplitude * std::sin(t) * std::cos(t / 3.1));
    }
    painter.setPen(QPen(QColor(0x9f, 0xd4, 0xff, 150), 2));
    painter.drawPath(wave);
    drawDisc(painter, QRectF(width - height * 1.1, height * 0.1, height * 0.8, height * 0.8));
    return picture;
}

} // namespace AboutPictures
