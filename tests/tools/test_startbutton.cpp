#include "tools/TAfStartButton.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

void fillMenu(QMenu& menu, const QString& layout)
{
    // One character per entry: "i" an item, "-" a separator.
    for (const QChar c : layout) {
        if (c == QLatin1Char('-')) {
            menu.addSeparator();
        } else {
            menu.addAction(QStringLiteral("Item %1").arg(menu.actions().size()));
        }
    }
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at)
{
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

struct HeightCase
{
    const char* layout;
    int dpi;
    int reportedItem;      // 0: the platform reports no item rectangles
    int reportedSeparator; // height reported for separators
    int expected;
};

class StartButtonHeight : public ::testing::TestWithParam<HeightCase>
{
};

TEST_P(StartButtonHeight, MeasuresTheMenuByTheDropRule)
{
    const HeightCase& c = GetParam();
    QMenu menu;
    fillMenu(menu, QString::fromLatin1(c.layout));
    TAfStartButton button;
    button.setPopupMenu(&menu);
    button.menuDpi = [&c](QMenu*) { return c.dpi; };
    button.itemRect = [&c](QMenu*, QAction* action) {
        if (c.reportedItem == 0) {
            return QRect();
        }
        return QRect(0, 0, 100, action->isSeparator() ? c.reportedSeparator : c.reportedItem);
    };
    EXPECT_EQ(button.menuHeight(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Menus, StartButtonHeight,
                         ::testing::Values(
                             // The recorder's menu: 11 entries, 3 of them separators.
                             HeightCase{"iiiii-i-i-i", 96, 0, 0, 8 * 17 + 3 * 9 + 6},  // 169
                             HeightCase{"iiiii-i-i-i", 120, 0, 0, 8 * 21 + 3 * 9 + 6}, // large fonts
                             HeightCase{"iiiii-i-i-i", 96, 23, 7, 8 * 23 + 3 * 7 + 6}, // sizes from the platform
                             HeightCase{"iii", 96, 23, 7, 3 * 23 + 6},                 // no separator at all
                             // A separator first: its height stands for the items, the separators keep 9.
                             HeightCase{"-ii", 96, 23, 7, 2 * 7 + 9 + 6},
                             HeightCase{"", 96, 0, 0, 6})); // empty menu: the frame

TEST(StartButton, SeparatorTextCountsAsSeparator)
{
    QMenu menu;
    menu.addAction(QStringLiteral("&New..."));
    menu.addAction(QStringLiteral("-"));
    menu.addAction(QStringLiteral("E&xit"));
    QAction* hidden = menu.addAction(QStringLiteral("Hidden"));
    hidden->setVisible(false); // never shown, so it takes no room
    TAfStartButton button;
    button.setPopupMenu(&menu);
    button.menuDpi = [](QMenu*) { return 96; };
    button.itemRect = [](QMenu*, QAction*) { return QRect(); };
    EXPECT_EQ(button.menuHeight(), 2 * 17 + 9 + 6);
}

TEST(StartButton, DropPointRule)
{
    // Fits above exactly when the menu height is below the button's top.
    EXPECT_EQ(TAfStartButton::dropPoint({40, 500}, 25, 169), QPoint(40, 331));
    EXPECT_EQ(TAfStartButton::dropPoint({40, 170}, 25, 169), QPoint(40, 1));
    EXPECT_EQ(TAfStartButton::dropPoint({40, 169}, 25, 169), QPoint(40, 194));
    EXPECT_EQ(TAfStartButton::dropPoint({40, 0}, 25, 169), QPoint(40, 25));
}

class StartButtonWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fillMenu(menu, QStringLiteral("iiiii-i-i-i"));
        window.resize(200, 60);
        button = new TAfStartButton(&window);
        button->setText(QStringLiteral("Start"));
        button->setGeometry(10, 20, 90, 25);
        button->setPopupMenu(&menu);
        button->menuDpi = [](QMenu*) { return 96; };
        button->itemRect = [](QMenu*, QAction*) { return QRect(); };
        button->dropMenu = [this](QMenu* shown, QPoint at) {
            log << QStringLiteral("drop");
            dropped = shown;
            droppedAt = at;
        };
    }

    // Places the window so the button's top is at screen height y and clicks it.
    void clickAt(int y)
    {
        window.move(0, y - 20);
        window.show();
        log.clear();
        button->click();
        // The menu is dropped from the event loop, after the click's receivers.
        QCoreApplication::sendPostedEvents();
    }

    QWidget window;
    QMenu menu;
    TAfStartButton* button = nullptr;
    QStringList log;
    QMenu* dropped = nullptr;
    QPoint droppedAt;
};

TEST_F(StartButtonWindow, DropsBelowNearTheTopAndAboveNearTheBottom)
{
    const QRect screen = window.screen()->geometry();
    clickAt(screen.top() + 50);
    ASSERT_EQ(dropped, &menu);
    const QPoint top = button->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(droppedAt, QPoint(top.x(), top.y() + 25));

    dropped = nullptr;
    clickAt(screen.bottom() - 60);
    ASSERT_EQ(dropped, &menu);
    const QPoint bottom = button->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(droppedAt, QPoint(bottom.x(), bottom.y() - 169));
}

TEST_F(StartButtonWindow, ClickReceiversRunBeforeTheMenuIsMeasured)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [this] {
        log << QStringLiteral("click");
        menu.addAction(QStringLiteral("Added by the click"));
    });
    clickAt(window.screen()->geometry().bottom() - 60);
    EXPECT_EQ(log, QStringList({QStringLiteral("click"), QStringLiteral("drop")}));
    EXPECT_EQ(button->mapToGlobal(QPoint(0, 0)).y() - droppedAt.y(), 169 + 17);
}

TEST_F(StartButtonWindow, NoMenuNoDrop)
{
    button->setPopupMenu(nullptr);
    clickAt(300);
    EXPECT_EQ(dropped, nullptr);
}

struct PictureCase
{
    int pictureHeight;
    int expectedY;
};

class StartButtonPicture : public ::testing::TestWithParam<PictureCase>
{
};

TEST_P(StartButtonPicture, SitsAtTheLeftEdgeAndFollowsThePress)
{
    const PictureCase& c = GetParam();
    TAfStartButton button;
    button.resize(90, 25);
    QPixmap picture(18, c.pictureHeight);
    picture.fill(Qt::red);
    button.setImage(picture);
    QLabel* image = button.imageLabel();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->parentWidget(), &button);
    EXPECT_EQ(image->size(), QSize(18, c.pictureHeight));
    EXPECT_EQ(image->pos(), QPoint(0, c.expectedY));
    EXPECT_EQ(button.bevelOuter(), TAfStartButton::bvRaised);

    // A press on the picture is a press on the button.
    const QPoint onPicture = image->geometry().center();
    EXPECT_EQ(button.childAt(onPicture), nullptr);
    sendMouse(&button, QEvent::MouseButtonPress, onPicture);
    EXPECT_EQ(button.bevelOuter(), TAfStartButton::bvLowered);
    EXPECT_EQ(image->pos(), QPoint(1, c.expectedY + 1));
    sendMouse(&button, QEvent::MouseButtonRelease, onPicture);
    EXPECT_EQ(button.bevelOuter(), TAfStartButton::bvRaised);
    EXPECT_EQ(image->pos(), QPoint(0, c.expectedY));
}

INSTANTIATE_TEST_SUITE_P(Pictures, StartButtonPicture,
                         ::testing::Values(PictureCase{18, 3}, PictureCase{25, 0}, PictureCase{7, 9},
                                           PictureCase{40, 0}));

TEST(StartButton, PictureClickDropsTheMenu)
{
    QMenu menu;
    fillMenu(menu, QStringLiteral("ii"));
    TAfStartButton button;
    button.resize(90, 25);
    button.useStartPicture();
    button.setPopupMenu(&menu);
    int drops = 0;
    int clicks = 0;
    button.dropMenu = [&drops](QMenu*, QPoint) { ++drops; };
    QObject::connect(&button, &QAbstractButton::clicked, &button, [&clicks] { ++clicks; });
    const QPoint onPicture = button.imageLabel()->geometry().center();
    sendMouse(&button, QEvent::MouseButtonPress, onPicture);
    sendMouse(&button, QEvent::MouseButtonRelease, onPicture);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(drops, 1);
}

TEST(StartButton, ScreenReadersSeeAButtonNamedByItsCaption)
{
    QWidget window;
    auto* button = new TAfStartButton(&window);
    button->setText(QStringLiteral("Start"));
    window.show();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::Button);
    EXPECT_EQ(face->text(QAccessible::Name), QStringLiteral("Start"));
    EXPECT_EQ(button->focusPolicy(), Qt::StrongFocus);
}

} // namespace
