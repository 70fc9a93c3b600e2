#include "cd/CDDriveLibrary.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "settings/gui/TOptionSetForm.h"
#include "support/TempFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

// Drives that only need to be listed; opening one is not this dialog's business.
class ListedDrives : public CDDeviceSource
{
public:
    explicit ListedDrives(std::vector<CDDeviceInfo> drives) : m_drives(std::move(drives)) {}
    std::vector<CDDeviceInfo> devices() override { return m_drives; }
    std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return nullptr; }

private:
    std::vector<CDDeviceInfo> m_drives;
};

std::vector<CDDeviceInfo> threeDrives()
{
    return {{QStringLiteral("/dev/a"), " ACME ", "Reader 1 ", false},
            {QStringLiteral("/dev/b"), "VENDOR", "WRITER", false},
            {QStringLiteral("/tmp/disc.cue"), "IMAGE", "Demo disc", true}};
}

class OptionSetFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<ScriptedPrompt>();
        Prompt::install(prompt);
        qputenv("TARNWICK_HOME", home.path().toUtf8());
        settings() = TSettings{};
        settings().OutputFolder = output.path();
        settings().BitRate = 128;
        settings().MaxBitRate = 320;
        tarnwick::setCDDeviceSource(std::make_shared<ListedDrives>(threeDrives()));
    }
    void TearDown() override
    {
        tarnwick::setCDDeviceSource(nullptr);
        qunsetenv("TARNWICK_HOME");
        Prompt::install(nullptr);
    }

    // Types a text into an editable list the way the user would: the shown text changes,
    // the picked item does not.
    static void type(QComboBox* box, const QString& text) { box->setEditText(text); }

    TempFolder home;
    TempFolder output;
    std::shared_ptr<ScriptedPrompt> prompt;
};

TEST_F(OptionSetFormTest, EverySettingSurvivesLoadingAndOk)
{
    TSettings& s = settings();
    s.OutputFormat = ofOGG;
    s.IsKeepWav = true;
    s.IsNormalize = true;
    s.NormalizePercent = 87;
    s.EnableRipTime = true;
    s.RipTime = 42;
    s.IsSelectVBR = true;
    s.IsVBRHead = true;
    s.BitRate = 64;
    s.MaxBitRate = 256;
    s.MpegQuality = 2;
    s.VBRQuality = 7;
    s.StereoMode = 4;
    s.IsUseCompress = true;
    s.CompressPosition = 55;
    s.OggMaxBitRate = 12;
    s.NomalBitRate = 9;
    s.MinBitRate = 3;
    s.WMABitRate = 31;
    s.FLACCompression = 8;
    s.CDIndex = 2;
    s.UseID3 = true;
    s.Disc.Artist = QStringLiteral("Artist");
    s.Disc.Album = QStringLiteral("Album");
    s.Disc.Year = QStringLiteral("1999");
    s.Disc.Genre = 147;
    s.Disc.Comment = QStringLiteral("Comment");
    const TSettings before = s;

    TOptionSetForm form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(form.PageControl1->currentIndex(), TOptionSetForm::pgOutput);
    EXPECT_FALSE(form.ckbKeepWav->isChecked()) << "the box asks to delete, the setting says keep";
    EXPECT_EQ(form.cbOggMaxBit->currentText(), QStringLiteral("224 kbit/s"));
    EXPECT_EQ(form.cbOggMinBit->currentText(), QStringLiteral(" 56 kbit/s"));
    EXPECT_EQ(form.cbWMABitrate->currentText(), QStringLiteral(" 8.000 kHz,   6 kbit/s, Mono"));
    EXPECT_EQ(form.cbFLACCompression->currentText(), QStringLiteral("8 (smallest)"));
    EXPECT_EQ(form.ID3genre->currentText(), QStringLiteral("Vocal"));
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);

    settings() = TSettings{};
    form.btOkClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    const TSettings& after = settings();
    EXPECT_EQ(after.OutputFolder, before.OutputFolder);
    EXPECT_EQ(after.OutputFormat, before.OutputFormat);
    EXPECT_EQ(after.IsKeepWav, before.IsKeepWav);
    EXPECT_EQ(after.IsNormalize, before.IsNormalize);
    EXPECT_EQ(after.NormalizePercent, before.NormalizePercent);
    EXPECT_EQ(after.EnableRipTime, before.EnableRipTime);
    EXPECT_EQ(after.RipTime, before.RipTime);
    EXPECT_EQ(after.IsSelectVBR, before.IsSelectVBR);
    EXPECT_EQ(after.IsVBRHead, before.IsVBRHead);
    EXPECT_EQ(after.BitRate, before.BitRate);
    EXPECT_EQ(after.MaxBitRate, before.MaxBitRate);
    EXPECT_EQ(after.MpegQuality, before.MpegQuality);
    EXPECT_EQ(after.VBRQuality, before.VBRQuality);
    EXPECT_EQ(after.StereoMode, before.StereoMode);
    EXPECT_EQ(after.IsUseCompress, before.IsUseCompress);
    EXPECT_EQ(after.CompressPosition, before.CompressPosition);
    EXPECT_EQ(after.OggMaxBitRate, before.OggMaxBitRate);
    EXPECT_EQ(after.NomalBitRate, before.NomalBitRate);
    EXPECT_EQ(after.MinBitRate, before.MinBitRate);
    EXPECT_EQ(after.WMABitRate, before.WMABitRate);
    EXPECT_EQ(after.FLACCompression, before.FLACCompression);
    EXPECT_EQ(after.CDIndex, before.CDIndex);
    EXPECT_EQ(after.UseID3, before.UseID3);
    EXPECT_EQ(after.Disc.Artist, before.Disc.Artist);
    EXPECT_EQ(after.Disc.Album, before.Disc.Album);
    EXPECT_EQ(after.Disc.Year, before.Disc.Year);
    EXPECT_EQ(after.Disc.Genre, before.Disc.Genre);
    EXPECT_EQ(after.Disc.Comment, before.Disc.Comment);
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
}

TEST_F(OptionSetFormTest, PagesAndListsInTheirOrder)
{
    TOptionSetForm form;
    QStringList pages;
    for (int i = 0; i < form.PageControl1->count(); ++i) {
        pages << form.PageControl1->tabText(i);
    }
    EXPECT_EQ(pages, (QStringList{"Output", "LAME", "OGG", "WMA", "FLAC", "ID3 Tag", "CD-ROM"}));
    EXPECT_EQ(form.cbBitRate->count(), 14);
    EXPECT_EQ(form.cbOggNomBit->count(), 15);
    EXPECT_EQ(form.cbWMABitrate->count(), 33);
    EXPECT_EQ(form.cbOutputFormat->itemText(ofFLAC), QStringLiteral("FLAC file(*.FLAC)"));
    EXPECT_EQ(form.cbFLACCompression->count(), 9);
    EXPECT_FALSE(form.cbFLACCompression->isEditable());
    EXPECT_EQ(form.ID3genre->count(), 149);
    EXPECT_EQ(form.ID3genre->itemText(0), QString());
    EXPECT_EQ(form.ID3genre->itemText(1), QStringLiteral("A Cappella"));
    EXPECT_FALSE(form.ID3genre->isEditable());
    EXPECT_TRUE(form.cbOutputFormat->isEditable());
    EXPECT_EQ(form.findChild<QSpinBox*>(QStringLiteral("SpinEdit1")), form.SpinEdit1);
}

// ---- bitrate boxes ---------------------------------------------------------------

TEST_F(OptionSetFormTest, StoredRateShowsAsItsOwnNumberAndComesBack)
{
    settings().BitRate = 32;
    settings().MaxBitRate = 999;
    TOptionSetForm form;
    EXPECT_EQ(form.cbBitRate->currentText(), QStringLiteral("32 kbit/s"));
    EXPECT_EQ(form.cbMaxBitRate->currentText(), QStringLiteral("999 kbit/s"));
    form.btOkClick();
    EXPECT_EQ(settings().BitRate, 32);
    EXPECT_EQ(settings().MaxBitRate, 999);
}

struct TypedRate
{
    const char* text;
    int rate;
};

class BitRateText : public OptionSetFormTest, public ::testing::WithParamInterface<TypedRate>
{
};

TEST_P(BitRateText, StoresTheNumberOfTheFirstThreeCharacters)
{
    TOptionSetForm form;
    type(form.cbBitRate, QString::fromUtf8(GetParam().text));
    form.btOkClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().BitRate, GetParam().rate);
    EXPECT_EQ(TOptionSetForm::bitRateOfText(QString::fromUtf8(GetParam().text)), GetParam().rate);
}

INSTANTIATE_TEST_SUITE_P(Texts, BitRateText,
                         ::testing::Values(TypedRate{" 32 kbit/s", 32}, TypedRate{"320 kbit/s", 320},
                                           TypedRate{"1000", 100}, TypedRate{"96", 96}, TypedRate{"8  kbit/s", 8},
                                           TypedRate{"-12", -12}));

TEST_F(OptionSetFormTest, PickingTheItemStoresItsNumber)
{
    TOptionSetForm form;
    form.cbBitRate->setCurrentIndex(0);
    form.btOkClick();
    EXPECT_EQ(settings().BitRate, 32);
}

TEST_F(OptionSetFormTest, RateThatIsNoNumberStopsTheStoreAfterTheFieldsBeforeIt)
{
    settings().MpegQuality = 1;
    TOptionSetForm form;
    form.cbOutputFormat->setCurrentIndex(ofWMA);
    form.ckbVBRHead->setChecked(true);
    form.cbMpegQuality->setCurrentIndex(2);
    type(form.cbMaxBitRate, QStringLiteral("fast"));

    form.btOkClick();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("'fas' is not a valid integer value")});
    EXPECT_EQ(prompt->calls().front().message.icon, Prompt::Icon::Error);
    EXPECT_EQ(prompt->calls().front().message.caption, QStringLiteral("Tarnwick"));
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().OutputFormat, ofWMA);
    EXPECT_TRUE(settings().IsVBRHead);
    EXPECT_EQ(settings().BitRate, 128) << "the minimum box comes before the failing one";
    EXPECT_EQ(settings().MaxBitRate, 320);
    EXPECT_EQ(settings().MpegQuality, 1) << "fields after the failing box stay as they were";
}

TEST_F(OptionSetFormTest, EmptyRateIsNoNumber)
{
    TOptionSetForm form;
    type(form.cbBitRate, QString());
    form.btOkClick();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("'' is not a valid integer value")});
    EXPECT_NE(form.result(), QDialog::Accepted);
}

// ---- lists -------------------------------------------------------------------------

struct TypedFormat
{
    const char* text;
    int format;
    bool deleteEnabled;
};

class OutputFormatText : public OptionSetFormTest, public ::testing::WithParamInterface<TypedFormat>
{
};

TEST_P(OutputFormatText, TypedTextGivesTheMatchingItemOrNone)
{
    TOptionSetForm form;
    type(form.cbOutputFormat, QString::fromUtf8(GetParam().text));
    EXPECT_EQ(form.ckbKeepWav->isEnabled(), GetParam().deleteEnabled);
    form.btOkClick();
    EXPECT_EQ(settings().OutputFormat, GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(Texts, OutputFormatText,
                         ::testing::Values(TypedFormat{"FLAC file(*.FLAC)", ofFLAC, true},
                                           TypedFormat{"AAC file(*.AAC)", -1, true},
                                           TypedFormat{"WAV file(*.WAV)", ofWAV, false},
                                           TypedFormat{"wav file(*.wav)", -1, true},
                                           TypedFormat{"OGG file(*.OGG)", ofOGG, true}));

class StoredOutputFormat : public OptionSetFormTest, public ::testing::WithParamInterface<int>
{
};

// A value this version does not know (typed into options.ini, or left by a later version)
// shows as no selection rather than as some other format.
TEST_P(StoredOutputFormat, OutsideTheListShowsNoSelection)
{
    settings().OutputFormat = GetParam();
    TOptionSetForm form;
    EXPECT_EQ(form.cbOutputFormat->currentIndex(), -1);
    EXPECT_EQ(form.cbOutputFormat->currentText(), QString());
    EXPECT_TRUE(form.ckbKeepWav->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Values, StoredOutputFormat, ::testing::Values(5, -1, 99));

TEST_F(OptionSetFormTest, GenreNoneShowsTheEmptyItemAndAPickedNameStoresItsPlace)
{
    settings().Disc.Genre = -1;
    TOptionSetForm form;
    EXPECT_EQ(form.ID3genre->currentIndex(), 0);
    EXPECT_EQ(form.ID3genre->currentText(), QString());
    form.ID3genre->setCurrentText(QStringLiteral("Acid"));
    form.btOkClick();
    EXPECT_EQ(settings().Disc.Genre, 1);
}

TEST_F(OptionSetFormTest, GenreOutsideTheListShowsAndStoresNone)
{
    settings().Disc.Genre = 500;
    TOptionSetForm form;
    EXPECT_EQ(form.ID3genre->currentIndex(), 0);
    form.btOkClick();
    EXPECT_EQ(settings().Disc.Genre, -1);
}

TEST_F(OptionSetFormTest, TagTextLongerThanTheTypingLimitIsKeptWhole)
{
    const QString longAlbum(45, QLatin1Char('x'));
    settings().Disc.Album = longAlbum;
    TOptionSetForm form;
    EXPECT_EQ(form.ID3album->text(), longAlbum);
    EXPECT_EQ(form.ID3artist->maxLength(), 30);
    EXPECT_EQ(form.ID3year->maxLength(), 4);
    form.btOkClick();
    EXPECT_EQ(settings().Disc.Album, longAlbum);
}

// ---- OK checks ---------------------------------------------------------------------

TEST_F(OptionSetFormTest, MissingOutputFolderStoresNothing)
{
    const QString missing = output.file(QStringLiteral("gone"));
    TOptionSetForm form;
    form.editOutputDir->setText(missing);
    form.cbOutputFormat->setCurrentIndex(ofWAV);
    form.btOkClick();
    EXPECT_EQ(prompt->messageTexts(), QStringList{missing + QStringLiteral(",The output directory does not exist.")});
    EXPECT_EQ(prompt->calls().front().message.icon, Prompt::Icon::Error);
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().OutputFolder, output.path());
    EXPECT_EQ(settings().OutputFormat, ofMP3);
}

TEST_F(OptionSetFormTest, FileInsteadOfFolderIsRefused)
{
    const QString file = output.file(QStringLiteral("plain.txt"));
    ASSERT_TRUE(writeFileBytes(file, "x"));
    TOptionSetForm form;
    form.editOutputDir->setText(file);
    form.btOkClick();
    EXPECT_EQ(prompt->messageTexts().size(), 1);
    EXPECT_NE(form.result(), QDialog::Accepted);
}

class RipTimeText : public OptionSetFormTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(RipTimeText, IsRefusedAndNothingStored)
{
    TOptionSetForm form;
    form.cbRipTime->setChecked(true);
    form.eRipTime->setText(QString::fromUtf8(GetParam()));
    form.btOkClick();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Please check the song length field.")});
    EXPECT_NE(form.result(), QDialog::Accepted);
    EXPECT_FALSE(settings().EnableRipTime);
}

INSTANTIATE_TEST_SUITE_P(Texts, RipTimeText,
                         ::testing::Values("abc", "-100", "", "12s", "1.5", "99999999999", "+", "30 "));

TEST_F(OptionSetFormTest, RipTimeAcceptsSignedAndLeadingBlanks)
{
    for (const auto& [text, value] : {std::pair{" 45", 45}, std::pair{"-99", -99}, std::pair{"+7", 7}}) {
        settings().RipTime = 0;
        TOptionSetForm form;
        form.eRipTime->setText(QString::fromUtf8(text));
        form.btOkClick();
        EXPECT_EQ(settings().RipTime, value) << text;
    }
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
}

TEST_F(OptionSetFormTest, CancelStoresNothing)
{
    TOptionSetForm form;
    form.cbOutputFormat->setCurrentIndex(ofOGG);
    form.btCancelClick();
    EXPECT_EQ(form.result(), QDialog::Rejected);
    EXPECT_EQ(settings().OutputFormat, ofMP3);
}

// ---- enabling rules and buttons ----------------------------------------------------

TEST_F(OptionSetFormTest, EnablingFollowsTheBoxesFromLoadingOn)
{
    settings().IsNormalize = true;
    settings().IsSelectVBR = false;
    settings().EnableRipTime = true;
    settings().OutputFormat = ofWAV;
    TOptionSetForm form;
    EXPECT_TRUE(form.SpinEdit1->isEnabled());
    EXPECT_FALSE(form.ckbVBRHead->isEnabled());
    EXPECT_FALSE(form.cbMaxBitRate->isEnabled());
    EXPECT_FALSE(form.cbVBRQuality->isEnabled());
    EXPECT_TRUE(form.cbBitRate->isEnabled());
    EXPECT_TRUE(form.eRipTime->isEnabled());
    EXPECT_FALSE(form.ckbKeepWav->isEnabled());

    form.ckNormalize->setChecked(false);
    form.ckbSelectVBR->setChecked(true);
    form.cbRipTime->setChecked(false);
    form.cbOutputFormat->setCurrentIndex(ofMP3);
    EXPECT_FALSE(form.SpinEdit1->isEnabled());
    EXPECT_TRUE(form.ckbVBRHead->isEnabled());
    EXPECT_TRUE(form.cbMaxBitRate->isEnabled());
    EXPECT_TRUE(form.cbVBRQuality->isEnabled());
    EXPECT_FALSE(form.eRipTime->isEnabled());
    EXPECT_TRUE(form.ckbKeepWav->isEnabled());
}

TEST_F(OptionSetFormTest, LameDefaultsLeaveOtherPagesAlone)
{
    settings().IsSelectVBR = true;
    settings().IsVBRHead = true;
    settings().BitRate = 32;
    settings().MaxBitRate = 64;
    settings().VBRQuality = 9;
    settings().MpegQuality = 2;
    settings().StereoMode = 4;
    settings().WMABitRate = 3;
    TOptionSetForm form;
    form.bDefaultClick();
    EXPECT_FALSE(form.ckbSelectVBR->isChecked());
    EXPECT_FALSE(form.ckbVBRHead->isChecked());
    EXPECT_FALSE(form.cbMaxBitRate->isEnabled());
    EXPECT_EQ(form.cbBitRate->currentText(), QStringLiteral("128 kbit/s"));
    EXPECT_EQ(form.cbMaxBitRate->currentText(), QStringLiteral("320 kbit/s"));
    EXPECT_EQ(form.cbVBRQuality->currentIndex(), 4);
    EXPECT_EQ(form.cbMpegQuality->currentText(), QStringLiteral("Default"));
    EXPECT_EQ(form.cbStereoMode->currentText(), QStringLiteral("Joint Stereo"));
    EXPECT_EQ(form.cbWMABitrate->currentIndex(), 3);
    form.btOkClick();
    EXPECT_EQ(settings().BitRate, 128);
    EXPECT_EQ(settings().MaxBitRate, 320);
    EXPECT_EQ(settings().WMABitRate, 3);
}

TEST_F(OptionSetFormTest, WmaDefaultPicksSixtyFourKbitStereo)
{
    settings().WMABitRate = 0;
    settings().StereoMode = 4;
    TOptionSetForm form;
    form.bWMADefaultClick();
    EXPECT_EQ(form.cbWMABitrate->currentText(), QStringLiteral("44.100 kHz,  64 kbit/s, Stereo"));
    EXPECT_EQ(form.cbStereoMode->currentIndex(), 4);
    form.btOkClick();
    EXPECT_EQ(settings().WMABitRate, 8);
}

TEST_F(OptionSetFormTest, FlacDefaultPicksLevelFiveAndTouchesNoOtherPage)
{
    settings().FLACCompression = 0;
    settings().WMABitRate = 3;
    TOptionSetForm form;
    EXPECT_EQ(form.cbFLACCompression->currentText(), QStringLiteral("0 (fastest)"));
    form.bFLACDefaultClick();
    EXPECT_EQ(form.cbFLACCompression->currentText(), QStringLiteral("5 (default)"));
    form.btOkClick();
    EXPECT_EQ(settings().FLACCompression, 5);
    EXPECT_EQ(settings().WMABitRate, 3);
}

TEST_F(OptionSetFormTest, BrowseStartsInTheProgramFolderAndTakesOnlyAChoice)
{
    TOptionSetForm form;
    form.btBrowserClick();
    EXPECT_EQ(form.editOutputDir->text(), output.path()) << "a cancelled choice changes nothing";
    prompt->queueFolder(home.path());
    form.btBrowserClick();
    EXPECT_EQ(form.editOutputDir->text(), home.path());
    const auto calls = prompt->calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].kind, QStringLiteral("folder"));
    EXPECT_EQ(calls[0].dialog.title, QStringLiteral("Please select the directory to save mp3 and wav file"));
    EXPECT_EQ(calls[0].dialog.initialFolder, home.path());
}

// ---- drives ------------------------------------------------------------------------

TEST_F(OptionSetFormTest, DrivePageListsTheDrivesEachTimeItIsShown)
{
    settings().CDIndex = 1;
    TOptionSetForm form;
    EXPECT_EQ(form.cbCDList->count(), 0) << "filled when the page is shown, not before";
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
    QStringList names;
    for (int i = 0; i < form.cbCDList->count(); ++i) {
        names << form.cbCDList->itemText(i);
    }
    // Vendor and product apart, as the main window's status bar names the drive in use.
    EXPECT_EQ(names, (QStringList{"ACME Reader 1", "VENDOR WRITER", "IMAGE Demo disc"}));
    EXPECT_EQ(form.cbCDList->currentIndex(), 1);

    tarnwick::setCDDeviceSource(std::make_shared<ListedDrives>(std::vector<CDDeviceInfo>{threeDrives()[2]}));
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgOutput);
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
    EXPECT_EQ(form.cbCDList->count(), 1);
    EXPECT_EQ(form.cbCDList->currentIndex(), -1) << "the drive in use is no longer listed";
}

struct DriveCase
{
    int stored;       // CD Index in the settings
    int chosen;       // item picked on the page; -2: page never shown
    int storedAfter;  // CD Index after OK
    int changedDrive; // drive handed to the main window, -1 for none
};

class DriveChoice : public OptionSetFormTest, public ::testing::WithParamInterface<DriveCase>
{
};

TEST_P(DriveChoice, OnlyAnotherDriveIsReopened)
{
    const DriveCase c = GetParam();
    settings().CDIndex = c.stored;
    TOptionSetForm form;
    EXPECT_EQ(form.initialDriveIndex(), c.stored == -1 ? 0 : c.stored);
    std::vector<int> opened;
    form.driveChanged = [&opened](int drive) { opened.push_back(drive); };
    if (c.chosen != -2) {
        form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
        form.cbCDList->setCurrentIndex(c.chosen);
    }
    form.btOkClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().CDIndex, c.storedAfter);
    EXPECT_EQ(opened, c.changedDrive < 0 ? std::vector<int>{} : std::vector<int>{c.changedDrive});
}

INSTANTIATE_TEST_SUITE_P(Cases, DriveChoice,
                         ::testing::Values(DriveCase{1, 1, 1, -1},  // the same drive again
                                           DriveCase{1, 2, 2, 2},   // another drive
                                           DriveCase{-1, 0, 0, -1}, // none stored means the first
                                           DriveCase{-1, 1, 1, 1},  //
                                           DriveCase{0, -2, -1, -1} // page never shown
                                           ));

TEST_F(OptionSetFormTest, NoDrivesStoresNoneAndChangesNothing)
{
    tarnwick::setCDDeviceSource(std::make_shared<ListedDrives>(std::vector<CDDeviceInfo>{}));
    settings().CDIndex = 2;
    TOptionSetForm form;
    bool called = false;
    form.driveChanged = [&called](int) { called = true; };
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
    form.btOkClick();
    EXPECT_EQ(settings().CDIndex, -1);
    EXPECT_FALSE(called);
}

TEST_F(OptionSetFormTest, TypedDriveNameMatchingNoDriveOpensNothing)
{
    TOptionSetForm form;
    bool called = false;
    form.driveChanged = [&called](int) { called = true; };
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
    type(form.cbCDList, QStringLiteral("no such drive"));
    form.btOkClick();
    EXPECT_EQ(settings().CDIndex, -1);
    EXPECT_FALSE(called);
}

} // namespace

// ---- reading controls under the drive list -------------------------------------------

struct ReadingChoice
{
    const char* name;
    bool secure;
    int storedOffset;
    int typedOffset;
    int savedOffset;
};

class ReadingControls : public OptionSetFormTest, public ::testing::WithParamInterface<ReadingChoice>
{
};

TEST_P(ReadingControls, LoadFromAndSaveToTheSettings)
{
    const ReadingChoice& c = GetParam();
    settings().SecureMode = c.secure;
    settings().ReadOffset = c.storedOffset;
    TOptionSetForm form;
    EXPECT_EQ(form.ckSecureMode->isChecked(), c.secure);
    EXPECT_EQ(form.seReadOffset->value(), c.storedOffset);
    form.ckSecureMode->setChecked(!c.secure);
    form.seReadOffset->setValue(c.typedOffset);
    form.btOkClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().SecureMode, !c.secure);
    EXPECT_EQ(settings().ReadOffset, c.savedOffset);
}

INSTANTIATE_TEST_SUITE_P(Choices, ReadingControls,
                         ::testing::Values(ReadingChoice{"Defaults", false, 0, 6, 6},
                                           ReadingChoice{"SecureNegative", true, -30, -1164, -1164},
                                           ReadingChoice{"TypedBeyondTheLimit", false, 1000, 20000, 10000},
                                           ReadingChoice{"TypedBelowTheLimit", true, 0, -20000, -10000}),
                         [](const auto& info) { return std::string(info.param.name); });

class AccurateRipSwitch : public OptionSetFormTest, public ::testing::WithParamInterface<bool>
{
};

// The verification is switched on the drive page, not only in options.ini.
TEST_P(AccurateRipSwitch, LoadsFromAndSavesToTheSetting)
{
    settings().AccurateRip = GetParam();
    TOptionSetForm form;
    EXPECT_TRUE(form.PageControl1->widget(TOptionSetForm::pgCDROM)->isAncestorOf(form.ckAccurateRip));
    EXPECT_EQ(form.ckAccurateRip->text(), QStringLiteral("Verify with AccurateRip"));
    EXPECT_EQ(form.ckAccurateRip->isChecked(), GetParam());
    form.ckAccurateRip->setChecked(!GetParam());
    form.btOkClick();
    EXPECT_EQ(settings().AccurateRip, !GetParam());

    TOptionSetForm cancelled;
    cancelled.ckAccurateRip->setChecked(GetParam());
    cancelled.btCancelClick();
    EXPECT_EQ(settings().AccurateRip, !GetParam()) << "Cancel keeps the setting";
}

INSTANTIATE_TEST_SUITE_P(States, AccurateRipSwitch, ::testing::Bool());

TEST_F(OptionSetFormTest, ReadingControlsSitOnTheDrivePageWithNamesForScreenReaders)
{
    TOptionSetForm form;
    QWidget* page = form.PageControl1->widget(TOptionSetForm::pgCDROM);
    EXPECT_TRUE(page->isAncestorOf(form.ckSecureMode));
    EXPECT_TRUE(page->isAncestorOf(form.seReadOffset));
    EXPECT_EQ(form.ckSecureMode->text(), QStringLiteral("Secure mode (re-read until sure)"));
    EXPECT_FALSE(form.ckSecureMode->accessibleName().isEmpty());
    EXPECT_EQ(form.seReadOffset->accessibleName(), QStringLiteral("Read offset (samples)"));
    const QList<QLabel*> labels = page->findChildren<QLabel*>();
    const auto buddy =
        std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == form.seReadOffset; });
    ASSERT_NE(buddy, labels.end()) << "the number box has a label that names it";
    EXPECT_EQ((*buddy)->text(), QStringLiteral("&Read offset (samples):"));
    EXPECT_EQ(form.seReadOffset->minimum(), -MaxReadOffset);
    EXPECT_EQ(form.seReadOffset->maximum(), MaxReadOffset);
    // Cancel keeps what was stored.
    settings().SecureMode = false;
    form.ckSecureMode->setChecked(true);
    form.btCancelClick();
    EXPECT_FALSE(settings().SecureMode);
}

TEST_F(OptionSetFormTest, EmailAddressSitsOnTheDrivePageAndIsStoredOnOk)
{
    settings().Email = QStringLiteral("jo@example.org");
    TOptionSetForm form;
    QWidget* page = form.PageControl1->widget(TOptionSetForm::pgCDROM);
    ASSERT_NE(form.eCddbEmail, nullptr);
    EXPECT_TRUE(page->isAncestorOf(form.eCddbEmail));
    EXPECT_EQ(form.eCddbEmail->accessibleName(), QStringLiteral("E-mail address"));
    EXPECT_EQ(form.eCddbEmail->text(), QStringLiteral("jo@example.org"));
    const QList<QLabel*> labels = page->findChildren<QLabel*>();
    const auto buddy =
        std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->buddy() == form.eCddbEmail; });
    ASSERT_NE(buddy, labels.end()) << "the address box has a label that names it";
    EXPECT_EQ((*buddy)->text(), QStringLiteral("&E-mail address:"));

    form.show();
    form.PageControl1->setCurrentIndex(TOptionSetForm::pgCDROM);
    form.eCddbEmail->setText(QStringLiteral("jo@home@example.org"));
    EXPECT_TRUE(form.lCddbEmailHint->isVisible());
    form.eCddbEmail->setText(QStringLiteral(" ann@mail.example "));
    EXPECT_FALSE(form.lCddbEmailHint->isVisible());
    form.btOkClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(settings().Email, QStringLiteral("ann@mail.example"));

    TOptionSetForm cancelled;
    cancelled.eCddbEmail->setText(QStringLiteral("other@example.org"));
    cancelled.btCancelClick();
    EXPECT_EQ(settings().Email, QStringLiteral("ann@mail.example"));
}
