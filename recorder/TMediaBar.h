#pragma once

#include <QWidget>
#include <array>
#include <initializer_list>

class QToolButton;

// The media control bar: a row of picture buttons that report which one was clicked.
// Nothing enables itself; the owner sets the enabled buttons as a set.
class TMediaBar : public QWidget
{
    Q_OBJECT
public:
    enum Button { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
    static constexpr int buttonCount = btEject + 1;

    explicit TMediaBar(QWidget* parent = nullptr);

    // Exactly these buttons are enabled afterwards.
    void setEnabledButtons(std::initializer_list<Button> buttons);
    void setVisibleButton(Button button, bool visible);
    bool isButtonEnabled(Button button) const;
    QToolButton* button(Button which) const { return m_buttons[static_cast<std::size_t>(which)]; }
    // The names screen readers give the buttons ("Play" ...).
    static QString buttonName(Button button);

signals:
    void clicked(TMediaBar::Button button);

private:
    std::array<QToolButton*, buttonCount> m_buttons{};
};
