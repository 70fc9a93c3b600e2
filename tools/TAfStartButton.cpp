#include "tools/TAfStartButton.h"

#include "skins/SchemePictures.h"

#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <qdrawutil.h>

namespace {

bool isSeparator(const QAction* action)
{
    return action->isSeparator() || action->text() == QLatin1String("-");
}

} // namespace

TAfStartButton::TAfStartButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    itemRect = [](QMenu* menu, QAction* action) { return menu->actionGeometry(action); };
    menuDpi = [](QMenu* menu) { return menu->logicalDpiY(); };
    dropMenu = [](QMenu* menu, QPoint at) { menu->popup(at); };
    connect(this, &QAbstractButton::pressed, this, &TAfStartButton::ButtonPressed);
    connect(this, &QAbstractButton::released, this, &TAfStartButton::ButtonReleased);
    // Queued, so every receiver of clicked has run (and may have changed the menu's items)
    // before the menu is measured and dropped.
    connect(this, &QAbstractButton::clicked, this, &TAfStartButton::Click, Qt::QueuedConnection);
}

void TAfStartButton::setPopupMenu(QMenu* menu)
{
    m_PopupMenu = menu;
}

QMenu* TAfStartButton::popupMenu() const
{
    return m_PopupMenu;
}

void TAfStartButton::setImage(const QPixmap& picture)
{
    if (m_Image == nullptr) {
        m_Image = new QLabel(this);
        m_Image->setObjectName(QStringLiteral("m_Image"));
        m_Image->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_Image->setAttribute(Qt::WA_TranslucentBackground);
        m_Image->setAutoFillBackground(false);
        m_Image->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
    }
    m_Image->setPixmap(picture);
    m_Image->resize(picture.deviceIndependentSize().toSize());
    m_Image->show();
    placeImage();
}

void TAfStartButton::placeImage()
{
    if (m_Image == nullptr) {
        return;
    }
    const int imageHeight = m_Image->height();
    const int y = imageHeight > height() ? 0 : (height() - imageHeight) / 2;
    const int shift = m_bevel == bvLowered ? 1 : 0;
    m_Image->move(shift, y + shift);
}

void TAfStartButton::ButtonPressed()
{
    m_bevel = bvLowered;
    placeImage();
    update();
}

void TAfStartButton::ButtonReleased()
{
    m_bevel = bvRaised;
    placeImage();
    update();
}

int TAfStartButton::menuHeight() const
{
    QMenu* menu = m_PopupMenu;
    if (menu == nullptr) {
        return 0;
    }
    QList<QAction*> items;
    for (QAction* action : menu->actions()) {
        if (action->isVisible()) {
            items << action;
        }
    }
    int h = menuDpi(menu) == 120 ? itemHeightLargeFonts : itemHeight;
    int s = separatorHeight;
    int separators = 0;
    for (const QAction* action : items) {
        separators += isSeparator(action) ? 1 : 0;
    }
    if (!items.isEmpty()) {
        const QRect first = itemRect(menu, items.first());
        if (first.height() > 0) {
            h = first.height();
            const bool separatorAfterFirst =
                std::any_of(items.begin() + 1, items.end(), [](const QAction* a) { return isSeparator(a); });
            if (separatorAfterFirst) {
                auto last = std::find_if(items.rbegin(), items.rend(), [](const QAction* a) { return isSeparator(a); });
                s = itemRect(menu, *last).height();
            }
        }
    }
    const int count = static_cast<int>(items.size());
    return (count - separators) * h + separators * s + frameHeight;
}

QPoint TAfStartButton::dropPoint(QPoint buttonTopLeft, int buttonHeight, int menuHeight)
{
    if (menuHeight < buttonTopLeft.y()) {
        return {buttonTopLeft.x(), buttonTopLeft.y() - menuHeight};
    }
    return {buttonTopLeft.x(), buttonTopLeft.y() + buttonHeight};
}

QPoint TAfStartButton::dropPoint() const
{
    // Measured from the top of the button's own screen, so a screen placed below another
    // one does not count the upper screen's height as room for the menu.
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const QScreen* where = screen();
    const int screenTop = where != nullptr ? where->geometry().top() : 0;
    const QPoint onScreen = dropPoint(topLeft - QPoint(0, screenTop), height(), menuHeight());
    return onScreen + QPoint(0, screenTop);
}

void TAfStartButton::Click()
{
    if (m_PopupMenu == nullptr) {
        return;
    }
    const QPoint at = dropPoint();
    dropMenu(m_PopupMenu, at);
    emit menuDropped(at);
}

QSize TAfStartButton::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    const int picture = m_Image != nullptr ? m_Image->width() : 0;
    const int text = metrics.horizontalAdvance(QString(this->text()).remove(QLatin1Char('&')));
    // The caption is centred, so the picture's width is kept free on both sides.
    return {std::max(75, text + 2 * picture + 16), std::max(25, metrics.height() + 8)};
}

void TAfStartButton::resizeEvent(QResizeEvent* event)
{
    QAbstractButton::resizeEvent(event);
    placeImage();
}

void TAfStartButton::paintEvent(QPaintEvent*)
{
    // Moved to a screen of another pixel density: the light is drawn anew for it.
    if (m_usesStartPicture && devicePixelRatioF() != m_startRatio) {
        useStartPicture();
    }
    QPainter painter(this);
    const QPalette& colours = palette();
    painter.fillRect(rect(), colours.button());
    qDrawShadePanel(&painter, rect(), colours, m_bevel == bvLowered, 1);
    const int shift = m_bevel == bvLowered ? 1 : 0;
    painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.drawText(rect().translated(shift, shift), Qt::AlignCenter | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

QPixmap TAfStartButton::startPicture(const QColor& colour, qreal ratio, int size)
{
    const int side = static_cast<int>(std::ceil(size * ratio));
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    SchemePictures::draw(painter, SchemePictures::Picture::Start, QRectF(0, 0, side, side), colour);
    painter.end();
    picture.setDevicePixelRatio(ratio);
    return picture;
}

void TAfStartButton::useStartPicture()
{
    ensurePolished();
    m_startColour = SchemePictures::colourOn(this, isEnabled() ? QIcon::Normal : QIcon::Disabled);
    m_startRatio = devicePixelRatioF();
    setImage(startPicture(m_startColour, m_startRatio));
    m_usesStartPicture = true;
}

void TAfStartButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    const auto type = event->type();
    if (m_usesStartPicture &&
        (type == QEvent::PaletteChange || type == QEvent::StyleChange || type == QEvent::EnabledChange)) {
        useStartPicture();
    }
}
