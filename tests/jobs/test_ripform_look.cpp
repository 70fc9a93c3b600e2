// The job window's last line, the AccurateRip verdict, is read rather than clicked away:
// every word of it must be in view, a long reason from the network too.
#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "jobs/core/JobFiles.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "support/HttpFileServer.h"
#include "support/WindowCheck.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {

class RipFormLook : public ::testing::TestWithParam<int>
{
};

TEST_P(RipFormLook, TheVerdictFitsTheWindowInEveryScheme)
{
    JobTestKit kit;
    HttpFileServer server;
    ASSERT_TRUE(server.start());
    settings().SkinIndex = GetParam();
    settings().OutputFormat = ofWAV;
    settings().AccurateRip = true;
    settings().AccurateRipURL = QString::fromLatin1(server.origin() + "/ar");
    server.stop(); // nothing answers: curl's reason is the longest a user meets
    const CDHandle handle = kit.openDisc({1.0, 1.0});
    QString verdict;
    QStringList clipped;
    kit.runJob(TRipForm::ExtractCD, handle,
               {JobFiles::extractItem(1, QStringLiteral("One")), JobFiles::extractItem(2, QStringLiteral("Two"))},
               [&](TRipForm& form) {
                   QObject::connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& title) {
                       if (title == QStringLiteral("Verified")) {
                           verdict = form.initializingLabel()->text();
                           clipped = windowcheck::clippedTexts(&form);
                           windowcheck::showAndPicture(&form, QStringLiteral("verdicts-job-%1").arg(GetParam()));
                       }
                   });
               });
    EXPECT_TRUE(verdict.startsWith(QStringLiteral("AccurateRip could not be reached: "))) << verdict.toStdString();
    EXPECT_EQ(clipped, QStringList());
}

INSTANTIATE_TEST_SUITE_P(Schemes, RipFormLook, ::testing::Range(0, ColourScheme::Count));

} // namespace
