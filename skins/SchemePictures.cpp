#include "skins/SchemePictures.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGuiApplication>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>

namespace SchemePictures {

namespace {

// Every picture is laid out on a 24 x 24 grid, scaled to the box it is drawn in.
constexpr double kGrid = 24.0;

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

QPainterPath disc(QPointF centre, double radius, double hole)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addEllipse(centre, radius, radius);
    path.addEllipse(centre, hole, hole);
    return path;
}

// A right-pointing arrow with its tip at `tip`.
QPainterPath arrowRight(QPointF tip, double length, double head)
{
    QPainterPath path;
    path.addRect(QRectF(tip.x() - length, tip.y() - 1.25, length - head + 0.5, 2.5));
    path.addPath(polygon({{tip.x() - head, tip.y() - head}, tip, {tip.x() - head, tip.y() + head}}));
    return path;
}

// The filled shapes and stroked lines of one picture, on the grid.
struct Shapes
{
    QPainterPath fill;
    QPainterPath stroke;
    double strokeWidth = 2.0;
};

Shapes shapes(Picture picture)
{
    Shapes s;
    switch (picture) {
    case Picture::Extract:
        s.fill = disc({9.5, 9.5}, 8.0, 2.4);
        s.fill.addRect(QRectF(18.25, 10.5, 3.5, 6.0));
        s.fill.addPath(polygon({{15.5, 16.0}, {24.0, 16.0}, {20.0, 22.5}}));
        break;
    case Picture::Encode:
        s.fill.addRect(QRectF(1.5, 8.0, 2.5, 8.0));
        s.fill.addRect(QRectF(5.5, 4.0, 2.5, 16.0));
        s.fill.addRect(QRectF(9.5, 9.0, 2.5, 6.0));
        s.fill.addPath(arrowRight({23.0, 12.0}, 9.5, 5.0));
        break;
    case Picture::Record:
        s.fill.addRoundedRect(QRectF(8.5, 2.0, 7.0, 12.0), 3.5, 3.5);
        s.fill.addRect(QRectF(11.0, 17.5, 2.0, 3.0));
        s.fill.addRect(QRectF(7.5, 20.5, 9.0, 2.0));
        s.stroke.moveTo(5.5, 10.0);
        s.stroke.cubicTo(5.5, 19.5, 18.5, 19.5, 18.5, 10.0);
        break;
    case Picture::Lookup:
        s.stroke.addEllipse(QPointF(12.0, 12.0), 9.5, 9.5);
        s.stroke.addEllipse(QPointF(12.0, 12.0), 4.0, 9.5);
        s.stroke.moveTo(2.5, 12.0);
        s.stroke.lineTo(21.5, 12.0);
        s.stroke.moveTo(4.5, 6.5);
        s.stroke.lineTo(19.5, 6.5);
        s.stroke.moveTo(4.5, 17.5);
        s.stroke.lineTo(19.5, 17.5);
        s.strokeWidth = 1.8;
        break;
    case Picture::Options:
        for (const double y : {5.0, 12.0, 19.0}) {
            s.stroke.moveTo(3.0, y);
            s.stroke.lineTo(21.0, y);
        }
        s.fill.addEllipse(QPointF(8.0, 5.0), 3.0, 3.0);
        s.fill.addEllipse(QPointF(16.0, 12.0), 3.0, 3.0);
        s.fill.addEllipse(QPointF(10.0, 19.0), 3.0, 3.0);
        break;
    case Picture::Exit:
        s.stroke.moveTo(13.0, 3.5);
        s.stroke.lineTo(4.0, 3.5);
        s.stroke.lineTo(4.0, 20.5);
        s.stroke.lineTo(13.0, 20.5);
        s.fill.addPath(arrowRight({22.5, 12.0}, 13.5, 5.0));
        s.strokeWidth = 2.5;
        break;
    case Picture::Play:
        s.fill = polygon({{6.5, 4.0}, {19.5, 12.0}, {6.5, 20.0}});
        break;
    case Picture::Pause:
        // On whole pixels at the media buttons' 20 px, so the bars stay solid there.
        s.fill.addRect(QRectF(4.8, 4.8, 4.8, 14.4));
        s.fill.addRect(QRectF(14.4, 4.8, 4.8, 14.4));
        break;
    case Picture::Stop:
        s.fill.addRect(QRectF(5.5, 5.5, 13.0, 13.0));
        break;
    case Picture::Next:
        s.fill = polygon({{4.5, 4.5}, {15.5, 12.0}, {4.5, 19.5}});
        s.fill.addRect(QRectF(16.0, 4.5, 3.5, 15.0));
        break;
    case Picture::Previous:
        s.fill = polygon({{19.5, 4.5}, {8.5, 12.0}, {19.5, 19.5}});
        s.fill.addRect(QRectF(4.5, 4.5, 3.5, 15.0));
        break;
    case Picture::Forward:
        s.fill = polygon({{2.5, 5.5}, {12.0, 12.0}, {2.5, 18.5}});
        s.fill.addPath(polygon({{12.0, 5.5}, {21.5, 12.0}, {12.0, 18.5}}));
        break;
    case Picture::Back:
        s.fill = polygon({{21.5, 5.5}, {12.0, 12.0}, {21.5, 18.5}});
        s.fill.addPath(polygon({{12.0, 5.5}, {2.5, 12.0}, {12.0, 18.5}}));
        break;
    case Picture::RecordDot:
        s.fill.addEllipse(QPointF(12.0, 12.0), 7.5, 7.5);
        break;
    case Picture::Eject:
        s.fill = polygon({{3.5, 13.5}, {12.0, 4.5}, {20.5, 13.5}});
        s.fill.addRect(QRectF(3.5, 16.5, 17.0, 3.0));
        break;
    case Picture::Disc:
        s.fill = disc({12.0, 12.0}, 10.5, 3.0);
        // A groove ring keeps the disc from reading as a plain dot.
        s.stroke.addEllipse(QPointF(12.0, 12.0), 6.5, 6.5);
        s.strokeWidth = 1.0;
        break;
    case Picture::Heart:
        s.fill.moveTo(12.0, 21.0);
        s.fill.cubicTo(1.5, 13.5, 1.5, 4.5, 7.5, 4.5);
        s.fill.cubicTo(9.75, 4.5, 11.25, 6.0, 12.0, 8.25);
        s.fill.cubicTo(12.75, 6.0, 14.25, 4.5, 16.5, 4.5);
        s.fill.cubicTo(22.5, 4.5, 22.5, 13.5, 12.0, 21.0);
        break;
    case Picture::Start:
        s.fill = disc({12.0, 12.0}, 10.5, 0.0);
        s.fill.setFillRule(Qt::OddEvenFill);
        s.fill.addPath(polygon({{9.0, 6.5}, {17.5, 12.0}, {9.0, 17.5}}));
        break;
    }
    return s;
}

QRectF centredSquare(const QRectF& box)
{
    const double side = std::min(box.width(), box.height());
    return QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side);
}

class PictureEngine final : public QIconEngine
{
public:
    PictureEngine(Picture picture, QWidget* host) : m_picture(picture), m_host(host) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        draw(*painter, m_picture, rect, colourOn(m_host, mode));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    // `size` is in device pixels already: the picture is drawn at that size, never scaled.
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal) override
    {
        QPixmap picture(size);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        draw(painter, m_picture, QRectF(QPointF(0, 0), QSizeF(size)), colourOn(m_host, mode));
        return picture;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new PictureEngine(m_picture, m_host); }
    QString key() const override { return QStringLiteral("TarnwickSchemePicture"); }
    bool isNull() override { return false; }

private:
    Picture m_picture;
    QPointer<QWidget> m_host;
};

class PictureLabel final : public QLabel
{
public:
    PictureLabel(Picture picture, int size, QWidget* parent) : QLabel(parent), m_picture(picture), m_size(size)
    {
        setFixedSize(size, size);
        render();
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
            event->type() == QEvent::EnabledChange) {
            render();
        }
    }
    void paintEvent(QPaintEvent* event) override
    {
        // Moved to a screen of another pixel density: draw at the new one before showing.
        if (devicePixelRatioF() != m_ratio) {
            render();
        }
        QLabel::paintEvent(event);
    }

private:
    void render()
    {
        m_ratio = devicePixelRatioF();
        const int side = static_cast<int>(std::ceil(m_size * m_ratio));
        QPixmap picture(side, side);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        draw(painter, m_picture, QRectF(0, 0, side, side),
             colourOn(this, isEnabled() ? QIcon::Normal : QIcon::Disabled));
        painter.end();
        picture.setDevicePixelRatio(m_ratio);
        setPixmap(picture);
    }

    Picture m_picture;
    int m_size;
    double m_ratio = 0.0;
};

} // namespace

void draw(QPainter& painter, Picture picture, const QRectF& box, const QColor& colour)
{
    const QRectF square = centredSquare(box);
    const Shapes s = shapes(picture);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.topLeft());
    painter.scale(square.width() / kGrid, square.height() / kGrid);
    if (!s.fill.isEmpty()) {
        painter.fillPath(s.fill, colour);
    }
    if (!s.stroke.isEmpty()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colour, s.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPath(s.stroke);
    }
    painter.restore();
}

QColor colourOn(const QWidget* host, QIcon::Mode mode)
{
    const QPalette palette = host != nullptr ? host->palette() : QGuiApplication::palette();
    const QPalette::ColorRole role =
        qobject_cast<const QAbstractButton*>(host) != nullptr ? QPalette::ButtonText : QPalette::WindowText;
    const QColor normal = palette.color(QPalette::Active, role);
    if (mode != QIcon::Disabled) {
        return normal;
    }
    QColor disabled = palette.color(QPalette::Disabled, role);
    if (disabled == normal) {
        disabled.setAlphaF(0.4);
    }
    return disabled;
}

QIcon icon(Picture picture, QWidget* host)
{
    return QIcon(new PictureEngine(picture, host));
}

QLabel* label(Picture picture, int size, QWidget* parent)
{
    return new PictureLabel(picture, size, parent);
}

} // namespace SchemePictures
