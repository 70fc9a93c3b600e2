#include "recorder/RecorderKit.h"
#include "recorder/TMediaBar.h"
#include "recorder/TfrmRecord.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/PictureContrast.h"
#include "tools/TAfStartButton.h"

#include <QToolButton>
#include <gtest/gtest.h>
#include <tuple>

namespace {

class RecorderPicturesLook : public ::testing::TestWithParam<std::tuple<int, int>>
{
};

// The recorder's picture buttons (and the Start button's light) stand out from the window in
// every scheme, enabled as they are while a file is open.
TEST_P(RecorderPicturesLook, PictureStandsOutFromTheWindow)
{
    const auto [scheme, which] = GetParam();
    settings() = TSettings{};
    settings().SkinIndex = scheme;
    RecorderKit kit;
    settings().SkinIndex = scheme;
    ColourScheme::apply(kit.form.get(), scheme);
    kit.form->show();
    picturecheck::Measure m;
    if (which < TMediaBar::buttonCount) {
        QToolButton* button = kit.form->MediaPlayer1->button(static_cast<TMediaBar::Button>(which));
        button->setVisible(true);
        m = picturecheck::measureButton(button);
    } else {
        TAfStartButton* start = kit.form->AfStartButton1;
        m = picturecheck::measureLabel(start->imageLabel());
    }
    EXPECT_GT(m.pixels, 20) << m;
    EXPECT_GE(m.ratio, 3.0) << m;
}

INSTANTIATE_TEST_SUITE_P(SchemesAndPictures, RecorderPicturesLook,
                         ::testing::Combine(::testing::Range(0, ColourScheme::Count),
                                            ::testing::Range(0, TMediaBar::buttonCount + 1)),
                         [](const auto& info) {
                             const int which = std::get<1>(info.param);
                             const QString name = which < TMediaBar::buttonCount
                                                      ? TMediaBar::buttonName(static_cast<TMediaBar::Button>(which))
                                                      : QStringLiteral("Start");
                             return QStringLiteral("scheme%1_%2").arg(std::get<0>(info.param)).arg(name).toStdString();
                         });

TEST(RecorderNames, EveryPictureOnlyButtonHasAName)
{
    RecorderKit kit;
    kit.form->show();
    for (int n = 0; n < TMediaBar::buttonCount; ++n) {
        kit.form->MediaPlayer1->setVisibleButton(static_cast<TMediaBar::Button>(n), true);
    }
    EXPECT_EQ(picturecheck::unnamedPictureButtons(kit.form.get()), QStringList());
}

} // namespace
