#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "jobs/core/JobFiles.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/PictureContrast.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

class RipFormPictureLook : public ::testing::TestWithParam<int>
{
protected:
    JobTestKit kit;
};

// The job window's disc picture stands out from the window in every scheme.
TEST_P(RipFormPictureLook, DiscPictureStandsOutFromTheWindow)
{
    settings().OutputFormat = ofWAV;
    settings().SkinIndex = GetParam();
    const CDHandle handle = kit.openDisc({1.0});
    picturecheck::Measure m;
    QStringList unnamed;
    kit.runJob(TRipForm::ExtractCD, handle, {JobFiles::extractItem(1, QStringLiteral("Song"))}, [&](TRipForm& form) {
        form.show();
        QLabel* disc = nullptr;
        for (QLabel* label : form.findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                disc = label;
            }
        }
        ASSERT_NE(disc, nullptr);
        m = picturecheck::measureLabel(disc);
        unnamed = picturecheck::unnamedPictureButtons(&form);
    });
    EXPECT_GT(m.pixels, 30) << m;
    EXPECT_GE(m.ratio, 3.0) << m;
    EXPECT_EQ(unnamed, QStringList());
}

INSTANTIATE_TEST_SUITE_P(Schemes, RipFormPictureLook, ::testing::Range(0, ColourScheme::Count));

} // namespace
