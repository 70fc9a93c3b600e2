#include "MainFormFixture.h"
#include "app/TMainForm.h"
#include "skins/ColourScheme.h"
#include "support/PictureContrast.h"
#include "support/WindowCheck.h"

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>
#include <tuple>

namespace {

QToolButton* toolbarButton(const TMainForm& form, const QString& caption)
{
    for (QAction* action : form.toolBar()->actions()) {
        if (action->text() == caption) {
            return qobject_cast<QToolButton*>(form.toolBar()->widgetForAction(action));
        }
    }
    return nullptr;
}

class ToolbarPicturesLook : public MainFormTest, public ::testing::WithParamInterface<std::tuple<int, const char*>>
{
protected:
    std::unique_ptr<TMainForm> startInScheme(int scheme)
    {
        writeFileBytes(dir.file(QStringLiteral("options.ini")),
                       QStringLiteral("[Skin]\nIndex=%1\n[TipsOptions]\nIsShowTips=0\n").arg(scheme).toUtf8() +
                           OfflineCdOptions);
        return startForm();
    }
};

// Each toolbar picture stands out from the toolbar as the scheme paints it, at start-up and
// after the scheme has been changed away and back while the window is open.
TEST_P(ToolbarPicturesLook, PictureStandsOutFromTheToolbar)
{
    const auto [scheme, caption] = GetParam();
    auto form = startInScheme(scheme);
    QToolButton* button = toolbarButton(*form, QString::fromLatin1(caption));
    ASSERT_NE(button, nullptr);
    const picturecheck::Measure atStart = picturecheck::measureButton(button);
    EXPECT_GT(atStart.pixels, 30) << atStart;
    EXPECT_GE(atStart.ratio, 3.0) << atStart;

    form->ChangeSkin((scheme + 3) % ColourScheme::Count);
    form->ChangeSkin(scheme);
    const picturecheck::Measure afterChange = picturecheck::measureButton(button);
    EXPECT_GE(afterChange.ratio, 3.0) << afterChange;
}

INSTANTIATE_TEST_SUITE_P(SchemesAndPictures, ToolbarPicturesLook,
                         ::testing::Combine(::testing::Range(0, ColourScheme::Count),
                                            ::testing::Values("Extract", "Encode", "Record", "Freedb", "Options",
                                                              "Exit")),
                         [](const auto& info) {
                             return QStringLiteral("scheme%1_%2")
                                 .arg(std::get<0>(info.param))
                                 .arg(QLatin1String(std::get<1>(info.param)))
                                 .toStdString();
                         });

// A screen reader says what each picture-only button does; the toolbar keeps its buttons
// reachable when the window is too narrow for all of them, through one such button.
TEST_F(MainFormTest, EveryPictureOnlyButtonHasAName)
{
    auto form = startForm();
    form->resize(160, form->height());
    QApplication::processEvents();
    EXPECT_EQ(picturecheck::unnamedPictureButtons(form.get()), QStringList());
    for (const char* caption : {"Extract", "Encode", "Record", "Freedb", "Options", "Exit"}) {
        QToolButton* button = toolbarButton(*form, QString::fromLatin1(caption));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->accessibleName(), QString::fromLatin1(caption));
    }
}

} // namespace
