#include "recorder/TMediaBar.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

namespace {

// A red dot: the usual picture of a record button, which the style does not offer.
QIcon recordIcon()
{
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 0, 0), 2));
    painter.setBrush(QColor(210, 30, 30));
    painter.drawEllipse(QRectF(7, 7, 18, 18));
    painter.end();
    QIcon icon(picture);
    // The disabled picture greys out like the style's own icons.
    QPixmap grey(32, 32);
    grey.fill(Qt::transparent);
    QPainter greyPainter(&grey);
    greyPainter.setRenderHint(QPainter::Antialiasing);
    greyPainter.setPen(QPen(QColor(130, 130, 130), 2));
    greyPainter.setBrush(QColor(175, 175, 175));
    greyPainter.drawEllipse(QRectF(7, 7, 18, 18));
    greyPainter.end();
    icon.addPixmap(grey, QIcon::Disabled);
    return icon;
}

} // namespace

QString TMediaBar::buttonName(Button button)
{
    static const char* const names[buttonCount] = {"Play", "Pause", "Stop",   "Next", "Prev",
                                                   "Step", "Back",  "Record", "Eject"};
    return QString::fromLatin1(names[button]);
}

TMediaBar::TMediaBar(QWidget* parent) : QWidget(parent)
{
    const QStyle* s = style();
    const QIcon icons[buttonCount] = {
        s->standardIcon(QStyle::SP_MediaPlay),         s->standardIcon(QStyle::SP_MediaPause),
        s->standardIcon(QStyle::SP_MediaStop),         s->standardIcon(QStyle::SP_MediaSkipForward),
        s->standardIcon(QStyle::SP_MediaSkipBackward), s->standardIcon(QStyle::SP_MediaSeekForward),
        s->standardIcon(QStyle::SP_MediaSeekBackward), recordIcon(),
        s->standardIcon(QStyle::SP_DialogOpenButton)};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int n = 0; n < buttonCount; ++n) {
        auto* button = new QToolButton(this);
        const auto which = static_cast<Button>(n);
        button->setObjectName(QStringLiteral("bt") + buttonName(which));
        button->setIcon(icons[n]);
        button->setIconSize(QSize(20, 20));
        button->setAutoRaise(false);
        button->setAccessibleName(buttonName(which));
        button->setToolTip(buttonName(which));
        button->setEnabled(false);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QToolButton::clicked, this, [this, which] { emit clicked(which); });
        layout->addWidget(button);
        m_buttons[static_cast<std::size_t>(n)] = button;
    }
}

void TMediaBar::setEnabledButtons(std::initializer_list<Button> buttons)
{
    for (QToolButton* button : m_buttons) {
        button->setEnabled(false);
    }
    for (Button which : buttons) {
        button(which)->setEnabled(true);
    }
}

void TMediaBar::setVisibleButton(Button which, bool visible)
{
    button(which)->setVisible(visible);
}

bool TMediaBar::isButtonEnabled(Button which) const
{
    return button(which)->isEnabled();
}
