#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"
#include "tools/TfrmResample.h"

#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {

struct Format
{
    int rate;
    int channels;
    int bits;
};

// A PCM WAV file of a tone, written byte by byte here so it does not come from the code
// under test: 8-bit samples unsigned, 16-bit signed.
void writeWav(const QString& path, Format f, int frames)
{
    const int bytesPerSample = f.bits / 8;
    QByteArray data;
    data.reserve(frames * f.channels * bytesPerSample);
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < f.channels; ++c) {
            const double v = 0.4 * std::sin(2.0 * std::numbers::pi * 440.0 * (c + 1) * i / f.rate);
            if (f.bits == 8) {
                data.append(static_cast<char>(128 + std::lround(v * 127)));
            } else {
                char raw[2];
                qToLittleEndian(static_cast<qint16>(std::lround(v * 32767)), raw);
                data.append(raw, 2);
            }
        }
    }
    auto le = [](quint32 value, int size) {
        QByteArray bytes(size, '\0');
        for (int k = 0; k < size; ++k) {
            bytes[k] = static_cast<char>((value >> (8 * k)) & 0xFF);
        }
        return bytes;
    };
    QByteArray file = "RIFF" + le(36 + data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(f.channels, 2) +
                      le(f.rate, 4) + le(f.rate * f.channels * bytesPerSample, 4) + le(f.channels * bytesPerSample, 2) +
                      le(f.bits, 2) + "data" + le(data.size(), 4) + data;
    ASSERT_TRUE(writeFileBytes(path, file));
}

// What a WAV file's header says, read by hand.
struct Header
{
    int formatTag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int blockAlign = 0;
    qint64 dataBytes = -1;
};

Header readHeader(const QString& path)
{
    const QByteArray bytes = readFileBytes(path);
    Header h;
    auto u16 = [&bytes](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    auto u32 = [&bytes](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32(at + 4);
        if (id == "fmt " && at + 24 <= bytes.size()) {
            h.formatTag = u16(at + 8);
            h.channels = u16(at + 10);
            h.rate = static_cast<int>(u32(at + 12));
            h.blockAlign = u16(at + 20);
            h.bits = u16(at + 22);
        } else if (id == "data") {
            h.dataBytes = size;
        }
        at += 8 + size + (size & 1);
    }
    return h;
}

bool installed(const char* tool)
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
}

QByteArray run(const QString& program, const QStringList& arguments, int* code)
{
    QProcess process;
    process.start(program, arguments);
    *code = -1;
    if (process.waitForStarted(-1)) {
        process.waitForFinished(-1);
        *code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    return process.readAllStandardOutput();
}

class ResampleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<ScriptedPrompt>();
        Prompt::install(prompt);
        settings() = TSettings{};
        form = std::make_unique<TfrmResample>();
    }
    void TearDown() override
    {
        form.reset();
        Prompt::install(nullptr);
    }

    QString input(Format f, int frames, const QString& name = QStringLiteral("in.wav"))
    {
        const QString path = dir.file(name);
        writeWav(path, f, frames);
        prompt->queueOpenFiles({path});
        form->suitempbInputFileClick();
        return path;
    }

    QString output(const QString& name = QStringLiteral("out.wav"))
    {
        const QString path = dir.file(name);
        prompt->queueSaveFile(path);
        form->suitempbOutputFileClick();
        return path;
    }

    void want(int channels, const QString& rate, int bits, const QString& encoding = QStringLiteral("RAW PCM"))
    {
        form->SpinEdit1->setValue(channels);
        form->cbBitSamples->setEditText(rate);
        form->SpinEdit3->setValue(bits);
        form->ComboBox1->setCurrentText(encoding);
    }

    // Clicks Convert and waits for the window to be idle again.
    void convert()
    {
        QEventLoop loop;
        QObject::connect(form.get(), &TfrmResample::conversionEnded, &loop, &QEventLoop::quit);
        form->suitempbConvertClick();
        if (form->converting()) {
            EXPECT_FALSE(form->bConvert->isEnabled());
            loop.exec();
        }
    }

    QStringList folderFiles() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<TfrmResample> form;
};

TEST_F(ResampleTest, StartsWithTheDefaults)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("WAV to WAV"));
    EXPECT_EQ(form->SpinEdit1->value(), 1);
    EXPECT_EQ(form->SpinEdit1->minimum(), 1);
    EXPECT_EQ(form->SpinEdit1->maximum(), 2);
    EXPECT_EQ(form->SpinEdit3->value(), 16);
    EXPECT_EQ(form->SpinEdit3->minimum(), 8);
    EXPECT_EQ(form->SpinEdit3->singleStep(), 8);
    EXPECT_EQ(form->cbBitSamples->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(form->cbBitSamples->itemText(0), QStringLiteral("  8000"));
    EXPECT_EQ(form->cbBitSamples->count(), 9);
    EXPECT_EQ(form->ComboBox1->currentText(), QStringLiteral("RAW PCM"));
    EXPECT_EQ(form->ComboBox1->itemText(1), QStringLiteral("DVI IMA ADPCM"));
    EXPECT_TRUE(form->bConvert->isEnabled());
    EXPECT_EQ(form->ProgressBar1->value(), 0);
}

TEST_F(ResampleTest, InputFileShowsItsFormat)
{
    const QString path = input({22050, 2, 8}, 1000, QStringLiteral("voice.wav"));
    ASSERT_EQ(prompt->calls().size(), 1);
    EXPECT_EQ(prompt->calls()[0].dialog.filter, QStringLiteral("Wave Files|*.wav"));
    EXPECT_EQ(prompt->calls()[0].dialog.defaultExtension, QStringLiteral("wav"));
    EXPECT_EQ(form->lInputFileName->text(), QStringLiteral("voice.wav"));
    EXPECT_EQ(form->lInputFileName->toolTip(), path);
    EXPECT_EQ(form->Label6->text(), QStringLiteral("2"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("22050"));
    EXPECT_EQ(form->Label8->text(), QStringLiteral("8"));
    EXPECT_EQ(form->Label15->text(), QStringLiteral("Raw PCM"));

    // A file the reader does not take leaves everything as it was, silently.
    const QString junk = dir.file(QStringLiteral("junk.wav"));
    ASSERT_TRUE(writeFileBytes(junk, QByteArray(100, 'x')));
    prompt->queueOpenFiles({junk});
    form->suitempbInputFileClick();
    EXPECT_EQ(form->lInputFileName->text(), QStringLiteral("voice.wav"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("22050"));
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
}

TEST(ResampleNames, EncodingNames)
{
    EXPECT_EQ(TfrmResample::encodingName(wtUnsupported), QStringLiteral("Unsupported"));
    EXPECT_EQ(TfrmResample::encodingName(wtPCM), QStringLiteral("Raw PCM"));
    EXPECT_EQ(TfrmResample::encodingName(wtDVIADPCM), QStringLiteral("DVI IMA ADPCM"));
    EXPECT_EQ(TfrmResample::encodingName(wtMSADPCM), QStringLiteral("Microsoft ADPCM"));
    EXPECT_EQ(TfrmResample::encodingName(wtACM), QStringLiteral("ACM"));
}

struct ChainCase
{
    const char* name;
    Format in;
    int channels;
    const char* rate;
    int bits;
    const char* encoding;
    QStringList chain; // from the writer's input down to the reader
    Format out;
};

class ResampleChain : public ResampleTest, public ::testing::WithParamInterface<ChainCase>
{
};

TEST_P(ResampleChain, ChainsWhatTheInputCallsForAndWritesTheWantedFormat)
{
    const ChainCase& c = GetParam();
    const int frames = c.in.rate / 2;
    input(c.in, frames);
    const QString out = output();
    want(c.channels, QString::fromLatin1(c.rate), c.bits, QString::fromLatin1(c.encoding));
    convert();
    EXPECT_TRUE(prompt->messageTexts().isEmpty()) << prompt->messageTexts().join(' ').toStdString();
    EXPECT_EQ(form->chainNames(), c.chain);
    EXPECT_TRUE(form->bConvert->isEnabled());
    EXPECT_EQ(form->ProgressBar1->value(), 100);

    const Header h = readHeader(out);
    const bool adpcm = QByteArray(c.encoding) == "DVI IMA ADPCM";
    EXPECT_EQ(h.formatTag, adpcm ? 0x11 : 1);
    EXPECT_EQ(h.channels, c.out.channels);
    EXPECT_EQ(h.rate, c.out.rate);
    EXPECT_EQ(h.bits, c.out.bits);
    if (!adpcm) {
        const double expected = double(frames) * c.out.rate / c.in.rate;
        const double written = double(h.dataBytes) / h.blockAlign;
        EXPECT_NEAR(written, expected, expected * 0.01 + 2);
    }
    // Only the input and the finished output are left in the folder.
    EXPECT_EQ(folderFiles(), (QStringList{QStringLiteral("in.wav"), QStringLiteral("out.wav")}));
}

const QString kReader = QStringLiteral("WaveIn1");
const QString kSample1 = QStringLiteral("SampleConverter1");
const QString kChannels = QStringLiteral("MSConverter1");
const QString kRate = QStringLiteral("RateConverter1");
const QString kSample2 = QStringLiteral("SampleConverter2");

INSTANTIATE_TEST_SUITE_P(
    Chains, ResampleChain,
    ::testing::Values(
        ChainCase{"StereoToMonoAlone", {44100, 2, 16}, 1, "44100", 16, "RAW PCM", {kChannels, kReader}, {44100, 1, 16}},
        ChainCase{"EightBitThroughSixteen",
                  {8000, 1, 8},
                  1,
                  "  8000",
                  8,
                  "RAW PCM",
                  {kSample2, kSample1, kReader},
                  {8000, 1, 8}},
        ChainCase{
            "RateAndSampleSize", {44100, 2, 16}, 2, "22050", 8, "RAW PCM", {kSample2, kRate, kReader}, {22050, 2, 8}},
        ChainCase{"EveryConverter",
                  {11025, 1, 8},
                  2,
                  "44100",
                  8,
                  "RAW PCM",
                  {kSample2, kRate, kChannels, kSample1, kReader},
                  {44100, 2, 8}},
        ChainCase{"NothingToChange", {22050, 1, 16}, 1, "22050", 16, "RAW PCM", {kReader}, {22050, 1, 16}},
        ChainCase{
            "ImaAdpcm", {44100, 2, 16}, 1, "22050", 16, "DVI IMA ADPCM", {kRate, kChannels, kReader}, {22050, 1, 4}},
        ChainCase{
            "TypedRateNotInTheList", {44100, 1, 16}, 1, "96000", 16, "RAW PCM", {kRate, kReader}, {96000, 1, 16}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResampleTest, ComponentsLeftOutOfALaterChainAreNotUsed)
{
    input({44100, 2, 16}, 4410);
    output();
    want(1, QStringLiteral("22050"), 8);
    convert();
    ASSERT_EQ(form->chainNames(), (QStringList{kSample2, kRate, kChannels, kReader}));
    want(2, QStringLiteral("44100"), 16);
    convert();
    EXPECT_EQ(form->chainNames(), QStringList{kReader});
    const Header h = readHeader(dir.file(QStringLiteral("out.wav")));
    EXPECT_EQ(h.channels, 2);
    EXPECT_EQ(h.bits, 16);
    EXPECT_EQ(h.dataBytes, 4410 * 4);
}

class ResampleBadRate : public ResampleTest, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(ResampleBadRate, IsRefusedAndNothingStarts)
{
    input({44100, 2, 16}, 441);
    const QString out = output();
    const QString text = QString::fromLatin1(GetParam());
    want(1, text, 16);
    convert();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("'%1' is not a valid integer value").arg(text)});
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(form->bConvert->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Texts, ResampleBadRate,
                         ::testing::Values("12a", "", "22050 ", "2.5", "0x10", "99999999999", "1 000"));

TEST(ResampleRateText, WholeNumbersWithLeadingBlanks)
{
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("  8000")), 8000);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("96000")), 96000);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("+11025")), 11025);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("-5")), -5);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("2147483647")), 2147483647);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("2147483648")), std::nullopt);
    EXPECT_EQ(TfrmResample::integerOfText(QStringLiteral("-")), std::nullopt);
}

TEST_F(ResampleTest, RateBelowOneIsRefused)
{
    input({44100, 2, 16}, 441);
    const QString out = output();
    want(1, QStringLiteral("0"), 16);
    convert();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("0 is not a valid sample rate.")});
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(ResampleTest, WithoutInputOrOutputNothingHappens)
{
    form->suitempbConvertClick();
    EXPECT_FALSE(form->converting());
    input({44100, 2, 16}, 441);
    form->suitempbConvertClick();
    EXPECT_FALSE(form->converting());
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    EXPECT_EQ(folderFiles(), QStringList{QStringLiteral("in.wav")});
}

TEST_F(ResampleTest, WriterRefusalIsShownAndTheOldOutputSurvives)
{
    input({44100, 1, 16}, 4410);
    const QString out = output();
    ASSERT_TRUE(writeFileBytes(out, "an older file"));
    // 8-bit samples cannot be IMA ADPCM encoded: the writer refuses.
    want(1, QStringLiteral("44100"), 8, QStringLiteral("DVI IMA ADPCM"));
    convert();
    ASSERT_EQ(prompt->messageTexts().size(), 1);
    EXPECT_EQ(prompt->calls().last().message.icon, Prompt::Icon::Error);
    EXPECT_FALSE(form->converting());
    EXPECT_TRUE(form->bConvert->isEnabled());
    EXPECT_EQ(readFileBytes(out), QByteArray("an older file"));
    EXPECT_EQ(folderFiles(), (QStringList{QStringLiteral("in.wav"), QStringLiteral("out.wav")}));
}

TEST_F(ResampleTest, FileConvertedOntoItself)
{
    const QString path = input({44100, 2, 16}, 44100);
    prompt->queueSaveFile(path);
    form->suitempbOutputFileClick();
    want(1, QStringLiteral("22050"), 16);
    convert();
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    const Header h = readHeader(path);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.rate, 22050);
    EXPECT_NEAR(double(h.dataBytes) / 2, 22050, 22050 * 0.01);
    EXPECT_EQ(folderFiles(), QStringList{QStringLiteral("in.wav")});
}

TEST_F(ResampleTest, ProgressOnlyGrows)
{
    input({44100, 2, 16}, 44100 * 4);
    output();
    want(1, QStringLiteral("22050"), 16);
    QList<int> seen;
    QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, [&seen](int v) { seen << v; });
    convert();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(ResampleTest, ClosingWhileConvertingStopsTheWriterAndLeavesNoFile)
{
    input({44100, 2, 16}, 44100 * 20);
    const QString out = output();
    want(2, QStringLiteral("8000"), 8);
    form->suitempbConvertClick();
    ASSERT_TRUE(form->converting());
    form->reject();
    form.reset();
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_EQ(folderFiles(), QStringList{QStringLiteral("in.wav")});
}

// The references decode what the window wrote, and the window reads back the format the
// references see.
struct ReferenceCase
{
    const char* name;
    int channels;
    const char* rate;
    int bits;
    const char* encoding;
    const char* codec;    // as ffprobe names it
    const char* shown[4]; // channels, rate, bits, encoding as the window shows the output
};

class ResampleReference : public ResampleTest, public ::testing::WithParamInterface<ReferenceCase>
{
};

TEST_P(ResampleReference, FfprobeAndSoxAgree)
{
    if (!installed("ffprobe") || !installed("sox")) {
        GTEST_SKIP() << "ffprobe and sox are needed";
    }
    const ReferenceCase& c = GetParam();
    input({44100, 2, 16}, 44100);
    const QString out = output();
    want(c.channels, QString::fromLatin1(c.rate), c.bits, QString::fromLatin1(c.encoding));
    convert();
    ASSERT_TRUE(prompt->messageTexts().isEmpty());

    int code = -1;
    const QByteArray probe =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-show_streams", "-of", "json", out}, &code);
    ASSERT_EQ(code, 0);
    const QJsonObject stream = QJsonDocument::fromJson(probe).object()["streams"].toArray().at(0).toObject();
    EXPECT_EQ(stream["codec_name"].toString(), QString::fromLatin1(c.codec));
    EXPECT_EQ(stream["channels"].toInt(), c.channels);
    EXPECT_EQ(stream["sample_rate"].toString(), QString::fromLatin1(c.rate).trimmed());
    EXPECT_NEAR(stream["duration"].toString().toDouble(), 1.0, 0.02);

    // sox decodes the whole file: its length in samples is the second's worth.
    const QByteArray samples = run(QStringLiteral("soxi"), {"-s", out}, &code);
    ASSERT_EQ(code, 0);
    const int rate = QString::fromLatin1(c.rate).trimmed().toInt();
    EXPECT_NEAR(QString::fromLatin1(samples).trimmed().toDouble(), rate, rate * 0.02);
    const QString decoded = dir.file(QStringLiteral("decoded.wav"));
    run(QStringLiteral("sox"), {out, "-b", "16", decoded}, &code);
    EXPECT_EQ(code, 0);

    prompt->queueOpenFiles({out});
    form->suitempbInputFileClick();
    EXPECT_EQ(form->Label6->text(), QString::fromLatin1(c.shown[0]));
    EXPECT_EQ(form->Label7->text(), QString::fromLatin1(c.shown[1]));
    EXPECT_EQ(form->Label8->text(), QString::fromLatin1(c.shown[2]));
    EXPECT_EQ(form->Label15->text(), QString::fromLatin1(c.shown[3]));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ResampleReference,
    ::testing::Values(
        ReferenceCase{"MonoEightBit22050", 1, "22050", 8, "RAW PCM", "pcm_u8", {"1", "22050", "8", "Raw PCM"}},
        ReferenceCase{
            "ImaAdpcm", 2, "22050", 16, "DVI IMA ADPCM", "adpcm_ima_wav", {"2", "22050", "16", "DVI IMA ADPCM"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
