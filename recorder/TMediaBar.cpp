#include "recorder/TMediaBar.h"

#include "skins/SchemePictures.h"

#include <QHBoxLayout>
#include <QToolButton>

QString TMediaBar::buttonName(Button button)
{
    static const char* const names[buttonCount] = {"Play", "Pause", "Stop",   "Next", "Prev",
                                                   "Step", "Back",  "Record", "Eject"};
    return QString::fromLatin1(names[button]);
}

TMediaBar::TMediaBar(QWidget* parent) : QWidget(parent)
{
    using P = SchemePictures::Picture;
    const P pictures[buttonCount] = {P::Play,    P::Pause, P::Stop,      P::Next, P::Previous,
                                     P::Forward, P::Back,  P::RecordDot, P::Eject};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int n = 0; n < buttonCount; ++n) {
        auto* button = new QToolButton(this);
        const auto which = static_cast<Button>(n);
        button->setObjectName(QStringLiteral("bt") + buttonName(which));
        button->setIcon(SchemePictures::icon(pictures[n], button));
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
