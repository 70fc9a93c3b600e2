#include "app/TNoDeviceForm.h"
#include "app/TTipForm.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/WindowCheck.h"

#include <gtest/gtest.h>

namespace {

class NoticesLook : public ::testing::TestWithParam<int>
{
};

// The start-up notices are the first windows a new user sees: no text of theirs may be cut.
TEST_P(NoticesLook, EveryTextFitsInEveryScheme)
{
    settings() = TSettings{};
    settings().SkinIndex = GetParam();
    TTipForm tips;
    tips.FormShow();
    windowcheck::showAndPicture(&tips, QStringLiteral("tips-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&tips), QStringList());
    TNoDeviceForm hint;
    windowcheck::showAndPicture(&hint, QStringLiteral("nodevice-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&hint), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Schemes, NoticesLook, ::testing::Range(0, ColourScheme::Count));

} // namespace
