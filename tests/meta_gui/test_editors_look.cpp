#include "meta/gui/TfrmEditTrackName.h"
#include "meta/gui/TfrmID3Edit.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/WindowCheck.h"

#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

class EditorsLook : public ::testing::TestWithParam<int>
{
};

TEST_P(EditorsLook, EveryTextFitsInEveryScheme)
{
    settings() = TSettings{};
    settings().SkinIndex = GetParam();
    TfrmID3Edit tags;
    // The widest text a tag field can hold must show whole.
    tags.ID3title->setText(QString(30, QLatin1Char('W')));
    windowcheck::showAndPicture(&tags, QStringLiteral("id3edit-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&tags), QStringList());
    TfrmEditTrackName rename;
    rename.eName->setText(QStringLiteral("Track01"));
    windowcheck::showAndPicture(&rename, QStringLiteral("rename-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&rename), QStringList());
}

// The lookup window with the address field, and with the hint an address that cannot be
// sent brings up.
TEST_P(EditorsLook, LookupWindowShowsTheAddressAndItsHintWhole)
{
    settings() = TSettings{};
    settings().SkinIndex = GetParam();
    settings().Email = QStringLiteral("jo.smith@example.org");
    TfrmQueryCDDB lookup;
    windowcheck::showAndPicture(&lookup, QStringLiteral("email-lookup-%1").arg(GetParam()));
    EXPECT_EQ(windowcheck::clippedTexts(&lookup), QStringList());
    lookup.eEmail->setText(QStringLiteral("jo smith at home"));
    windowcheck::showAndPicture(&lookup, QStringLiteral("email-lookup-hint-%1").arg(GetParam()));
    EXPECT_TRUE(lookup.lEmailHint->isVisible());
    EXPECT_EQ(windowcheck::clippedTexts(&lookup), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Schemes, EditorsLook, ::testing::Range(0, ColourScheme::Count));

} // namespace
