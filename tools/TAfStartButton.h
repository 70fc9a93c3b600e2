#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QPointer>
#include <functional>

class QLabel;
class QMenu;

// A panel-like push button with a picture at its left edge that drops a pop-up menu when
// clicked: above itself when the menu fits between the button and the top of the screen,
// below it otherwise. The caption is the button's text (and its accessible name).
class TAfStartButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum Bevel { bvRaised, bvLowered };

    // What the menu's measurement starts from when the platform reports no item sizes.
    static constexpr int itemHeight = 17;
    static constexpr int itemHeightLargeFonts = 21; // menu font at 120 pixels per inch
    static constexpr int separatorHeight = 9;
    static constexpr int frameHeight = 6;

    explicit TAfStartButton(QWidget* parent = nullptr);

    // The menu dropped after the clicked signal's receivers have run; none: no menu.
    void setPopupMenu(QMenu* menu);
    QMenu* popupMenu() const;

    // The picture becomes a child of the button, drawn transparent at its left edge and
    // centred vertically; it takes no clicks of its own, so they reach the button.
    void setImage(const QPixmap& picture);
    QLabel* imageLabel() const { return m_Image; }

    Bevel bevelOuter() const { return m_bevel; }

    // The menu's height as the drop rule measures it: visible items at the height of the
    // first item, separators at the height of the last one (or the fixed heights when the
    // platform reports none), plus the frame.
    int menuHeight() const;
    // Where the menu's top-left corner goes: above the button when it fits, else below.
    QPoint dropPoint() const;
    static QPoint dropPoint(QPoint buttonTopLeft, int buttonHeight, int menuHeight);

    // Test hooks. itemRect: the rectangle the platform reports for a menu item (an empty
    // one means none); menuDpi: the menu font's resolution; dropMenu: shows the menu.
    std::function<QRect(QMenu*, QAction*)> itemRect;
    std::function<int(QMenu*)> menuDpi;
    std::function<void(QMenu*, QPoint)> dropMenu;

    // A drawn 18 x 18 picture for a start button.
    // The round "go" light in `colour`, `size` pixels square at the pixel density `ratio`.
    static QPixmap startPicture(const QColor& colour, qreal ratio = 1.0, int size = 18);
    // Shows the "go" light in the button's own text colour, drawn anew when the colours or the
    // screen's pixel density change.
    void useStartPicture();

    QSize sizeHint() const override;

signals:
    void menuDropped(QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ButtonPressed();
    void ButtonReleased();
    void Click();
    void placeImage();

    QPointer<QMenu> m_PopupMenu;
    QLabel* m_Image = nullptr;
    Bevel m_bevel = bvRaised;
    bool m_usesStartPicture = false;
    QColor m_startColour;
    qreal m_startRatio = 1.0;
};
