#include "platform/ScriptedPrompt.h"
#include "platform/WaveAudio.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "skins/SchemePictures.h"
#include "support/FakeWaveAudio.h"
#include "support/PictureContrast.h"
#include "tools/TAfStartButton.h"
#include "tools/TfrmAbout.h"
#include "tools/TfrmOggPlayer.h"

#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace {

enum class ToolPicture { Play, Pause, Stop, Donate };

std::string pictureName(ToolPicture picture)
{
    static const char* const names[] = {"Play", "Pause", "Stop", "Donate"};
    return names[static_cast<int>(picture)];
}

class ToolPicturesLook : public ::testing::TestWithParam<std::tuple<int, ToolPicture>>
{
protected:
    ToolPicturesLook()
    {
        Prompt::install(prompt);
        WaveAudio::install(sound);
    }
    ~ToolPicturesLook() override
    {
        WaveAudio::install(nullptr);
        Prompt::install(nullptr);
    }
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    std::shared_ptr<FakeWaveAudio> sound = std::make_shared<FakeWaveAudio>();
};

// The Ogg player's buttons and the About window's picture button stand out from their
// windows in every scheme.
TEST_P(ToolPicturesLook, PictureStandsOutFromTheWindow)
{
    const auto [scheme, which] = GetParam();
    settings() = TSettings{};
    settings().SkinIndex = scheme;
    picturecheck::Measure m;
    if (which == ToolPicture::Donate) {
        TfrmAbout about;
        about.show();
        m = picturecheck::measureButton(about.Image3);
    } else {
        TfrmOggPlayer player;
        player.show();
        QToolButton* button = which == ToolPicture::Play    ? player.openButton()
                              : which == ToolPicture::Pause ? player.pauseButton()
                                                            : player.stopButton();
        m = picturecheck::measureButton(button);
    }
    EXPECT_GT(m.pixels, 20) << m;
    EXPECT_GE(m.ratio, 3.0) << m;
}

INSTANTIATE_TEST_SUITE_P(SchemesAndPictures, ToolPicturesLook,
                         ::testing::Combine(::testing::Range(0, ColourScheme::Count),
                                            ::testing::Values(ToolPicture::Play, ToolPicture::Pause, ToolPicture::Stop,
                                                              ToolPicture::Donate)),
                         [](const auto& info) {
                             return "scheme" + std::to_string(std::get<0>(info.param)) + "_" +
                                    pictureName(std::get<1>(info.param));
                         });

TEST_F(ToolPicturesLook, EveryPictureOnlyButtonHasAName)
{
    TfrmOggPlayer player;
    player.show();
    EXPECT_EQ(picturecheck::unnamedPictureButtons(&player), QStringList());
    TfrmAbout about;
    about.show();
    EXPECT_EQ(picturecheck::unnamedPictureButtons(&about), QStringList());
}

} // namespace

namespace {

class PictureDensity : public ::testing::TestWithParam<int>
{
};

// On a screen of twice the density a picture is drawn at twice the pixels, as sharp as one
// drawn that large, instead of a small bitmap blown up.
TEST_P(PictureDensity, IsDrawnAtTheScreensPixels)
{
    QWidget host;
    const QIcon icon = SchemePictures::icon(static_cast<SchemePictures::Picture>(GetParam()), &host);
    const QPixmap dense = icon.pixmap(QSize(20, 20), 2.0);
    EXPECT_EQ(dense.size(), QSize(40, 40));
    EXPECT_EQ(dense.deviceIndependentSize(), QSizeF(20, 20));
    EXPECT_EQ(dense.toImage().convertToFormat(QImage::Format_ARGB32),
              icon.pixmap(QSize(40, 40), 1.0).toImage().convertToFormat(QImage::Format_ARGB32));
    const QPixmap start = TAfStartButton::startPicture(Qt::black, 2.0);
    EXPECT_EQ(start.size(), QSize(36, 36));
    EXPECT_EQ(start.deviceIndependentSize(), QSizeF(18, 18));
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureDensity,
                         ::testing::Range(0, static_cast<int>(SchemePictures::Picture::Start) + 1));

} // namespace
