#include "cd/CDDriveLibrary.h"
#include "settings/TSettings.h"
#include "settings/gui/TOptionSetForm.h"
#include "skins/ColourScheme.h"
#include "support/WindowCheck.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// No drives: the CD-ROM page then shows its empty list, and nothing is opened.
class NoDrives : public CDDeviceSource
{
public:
    std::vector<CDDeviceInfo> devices() override { return {}; }
    std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return nullptr; }
};

struct LookCase
{
    int page;
    int scheme;
};

class OptionSetFormLook : public ::testing::TestWithParam<LookCase>
{
protected:
    void SetUp() override
    {
        settings() = TSettings{};
        settings().SkinIndex = GetParam().scheme;
        tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    }
    void TearDown() override { tarnwick::setCDDeviceSource(nullptr); }
};

// Every page at the dialog's own size: all seven tabs show at once (no scroll arrows that
// hide some of them), and no text is cut off.
TEST_P(OptionSetFormLook, EveryTabShowsAndEveryTextFits)
{
    TOptionSetForm form;
    form.PageControl1->setCurrentIndex(GetParam().page);
    windowcheck::showAndPicture(&form,
                                QStringLiteral("options-page%1-scheme%2").arg(GetParam().page).arg(GetParam().scheme));

    QTabBar* tabs = form.PageControl1->tabBar();
    for (QToolButton* arrow : tabs->findChildren<QToolButton*>()) {
        EXPECT_FALSE(arrow->isVisible()) << "the tab bar scrolls";
    }
    for (int i = 0; i < tabs->count(); ++i) {
        EXPECT_TRUE(tabs->rect().contains(tabs->tabRect(i))) << tabs->tabText(i).toStdString();
    }
    EXPECT_EQ(windowcheck::clippedTexts(&form), QStringList());
    // The longest entry of the format list shows whole in the closed list.
    const QComboBox* formats = form.cbOutputFormat;
    if (formats->isVisible()) {
        int widest = 0;
        for (int i = 0; i < formats->count(); ++i) {
            widest = std::max(widest, formats->fontMetrics().horizontalAdvance(formats->itemText(i)));
        }
        EXPECT_LE(widest, formats->lineEdit()->width());
    }
}

std::vector<LookCase> lookCases()
{
    std::vector<LookCase> cases;
    for (int page = TOptionSetForm::pgOutput; page <= TOptionSetForm::pgCDROM; ++page) {
        cases.push_back({page, 0});
    }
    for (int scheme = 1; scheme < ColourScheme::Count; ++scheme) {
        cases.push_back({TOptionSetForm::pgFlac, scheme});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pages, OptionSetFormLook, ::testing::ValuesIn(lookCases()),
                         [](const ::testing::TestParamInfo<LookCase>& info) {
                             return "page" + std::to_string(info.param.page) + "scheme" +
                                    std::to_string(info.param.scheme);
                         });

} // namespace
