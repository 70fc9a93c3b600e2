#include "platform/gui/Shell.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/WindowCheck.h"
#include "tools/TLinkLabel.h"
#include "tools/TfrmAbout.h"
#include "tools/TfrmResample.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Catches what the shell layer would open in the browser.
struct OpenedUrls
{
    OpenedUrls()
    {
        Shell::setOpener([this](const QUrl& url) {
            urls << url.toString();
            return true;
        });
    }
    ~OpenedUrls() { Shell::setOpener(nullptr); }
    OpenedUrls(const OpenedUrls&) = delete;
    OpenedUrls& operator=(const OpenedUrls&) = delete;
    QStringList urls;
};

TEST(About, ShowsTheProductTexts)
{
    settings() = TSettings{};
    TfrmAbout form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("About Tarnwick"));
    EXPECT_EQ(form.lbProduct->text(), QStringLiteral("Tarnwick"));
    EXPECT_EQ(form.lbVersion->text(), QStringLiteral("Version: 4.0   Bulid 20200927"));
    EXPECT_FALSE(form.lbMaker->text().isEmpty());
    EXPECT_TRUE(form.lbMail->text().contains(QLatin1Char('@')));
    EXPECT_TRUE(form.lbEAddress->text().startsWith(QStringLiteral("https://")));
    EXPECT_EQ(form.bOK->text(), QStringLiteral("OK"));
    EXPECT_FALSE(form.Image1->pixmap().isNull());
    EXPECT_FALSE(form.Image2->pixmap().isNull());
    EXPECT_FALSE(form.Image3->accessibleName().isEmpty());
}

TEST(About, LinksShowAHandAndOpenTheirPages)
{
    OpenedUrls opened;
    TfrmAbout form;
    form.show();
    EXPECT_EQ(form.lbEAddress->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form.Image3->cursor().shape(), Qt::PointingHandCursor);

    const QPoint middle = form.lbEAddress->rect().center();
    QMouseEvent press(QEvent::MouseButtonPress, middle, form.lbEAddress->mapToGlobal(middle), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, middle, form.lbEAddress->mapToGlobal(middle), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.lbEAddress, &press);
    QApplication::sendEvent(form.lbEAddress, &release);
    ASSERT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(opened.urls[0], form.lbEAddress->text());

    // The keyboard reaches the link as well.
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
    QApplication::sendEvent(form.lbEAddress, &space);
    EXPECT_EQ(opened.urls.size(), 2);

    form.Image3->click();
    ASSERT_EQ(opened.urls.size(), 3);
    EXPECT_NE(opened.urls[2], opened.urls[0]);
    EXPECT_TRUE(opened.urls[2].startsWith(QStringLiteral("https://")));

    form.bOK->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

class ToolWindowsLook : public ::testing::TestWithParam<int>
{
};

TEST_P(ToolWindowsLook, EveryTextFitsInEveryScheme)
{
    settings() = TSettings{};
    settings().SkinIndex = GetParam();
    TfrmAbout about;
    windowcheck::showAndPicture(&about, QStringLiteral("about-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&about), QStringList());
    TfrmResample resample;
    windowcheck::showAndPicture(&resample, QStringLiteral("resample-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&resample), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Schemes, ToolWindowsLook, ::testing::Range(0, ColourScheme::Count));

} // namespace
