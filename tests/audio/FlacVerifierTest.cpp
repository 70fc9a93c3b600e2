// The verifier beside the FLAC encoder: a stream encoded here is fed to it as the encoder
// wrote it, in pieces of odd sizes, against the samples that went in or a spoilt copy of
// them; only the intact pair passes, and a failure names what differed.
#include "WavFixtures.h"

#include "audio/FlacVerifier.h"

#include <FLAC/stream_encoder.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace fixtures;

namespace {

std::vector<unsigned char> encode(const std::vector<std::int32_t>& samples, int channels)
{
    std::vector<unsigned char> stream;
    FLAC__StreamEncoder* encoder = FLAC__stream_encoder_new();
    FLAC__stream_encoder_set_channels(encoder, unsigned(channels));
    FLAC__stream_encoder_set_bits_per_sample(encoder, 16);
    FLAC__stream_encoder_set_sample_rate(encoder, 44100);
    FLAC__stream_encoder_set_compression_level(encoder, 5);
    const auto write = [](const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes, uint32_t, uint32_t,
                          void* data) {
        auto* out = static_cast<std::vector<unsigned char>*>(data);
        out->insert(out->end(), buffer, buffer + bytes);
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    };
    EXPECT_EQ(FLAC__stream_encoder_init_stream(encoder, write, nullptr, nullptr, nullptr, &stream),
              FLAC__STREAM_ENCODER_INIT_STATUS_OK);
    EXPECT_TRUE(
        FLAC__stream_encoder_process_interleaved(encoder, samples.data(), unsigned(samples.size() / size_t(channels))));
    EXPECT_TRUE(FLAC__stream_encoder_finish(encoder));
    FLAC__stream_encoder_delete(encoder);
    return stream;
}

enum class Spoil { None, ChangeOneSample, ExpectMore, ExpectLess, CutStream };

struct VerifierCase
{
    const char* name;
    int channels;
    Spoil spoil;
    bool passes;
    const char* errorPart = ""; // a piece of the failure's text
    // Long streams go to the decoder in many batches, with frames split between them.
    int frames = 30000;
    int changedFrame = 12345;
};

class FlacVerifierCheck : public testing::TestWithParam<VerifierCase>
{
};

TEST_P(FlacVerifierCheck, PassesOnlyTheIntactStream)
{
    const VerifierCase c = GetParam();
    const int frames = c.frames;
    std::vector<std::int32_t> samples;
    for (std::int16_t s : testSignal(frames, c.channels)) {
        samples.push_back(s);
    }
    std::vector<unsigned char> stream = encode(samples, c.channels);
    std::vector<std::int32_t> expected = samples;
    switch (c.spoil) {
    case Spoil::None:
        break;
    case Spoil::ChangeOneSample:
        expected[size_t(c.changedFrame * c.channels + c.channels - 1)] ^= 1;
        break;
    case Spoil::ExpectMore:
        expected.insert(expected.end(), size_t(c.channels), 0);
        break;
    case Spoil::ExpectLess:
        expected.resize(expected.size() - size_t(5000 * c.channels));
        break;
    case Spoil::CutStream:
        stream.resize(stream.size() / 2);
        break;
    }

    FlacVerifier verifier(c.channels);
    ASSERT_TRUE(verifier.start());
    // As the encoder hands them over: samples a little ahead of the bytes they become.
    const size_t step = 4099 * size_t(c.channels);
    size_t given = 0;
    for (size_t at = 0; at < stream.size(); at += 777) {
        const size_t due = std::min(expected.size(), (at / 777 + 1) * step);
        if (due > given) {
            verifier.expect(expected.data() + given, due - given);
            given = due;
        }
        verifier.feed(stream.data() + at, std::min<size_t>(777, stream.size() - at));
    }
    verifier.expect(expected.data() + given, expected.size() - given);
    QString error;
    const bool passed = verifier.finish(error);
    EXPECT_EQ(passed, c.passes) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::fromUtf8(c.errorPart))) << error.toStdString();
    EXPECT_EQ(error.isEmpty(), c.passes);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, FlacVerifierCheck,
    testing::Values(
        VerifierCase{"IntactStereo", 2, Spoil::None, true}, VerifierCase{"IntactMono", 1, Spoil::None, true},
        VerifierCase{"ChangedSample", 2, Spoil::ChangeOneSample, false, "sample 12345 comes back different"},
        VerifierCase{"ChangedMonoSample", 1, Spoil::ChangeOneSample, false, "sample 12345 comes back different"},
        VerifierCase{"MoreWentIn", 2, Spoil::ExpectMore, false, "fewer samples than went in"},
        VerifierCase{"LessWentIn", 2, Spoil::ExpectLess, false, "more audio than went in"},
        VerifierCase{"CutStream", 2, Spoil::CutStream, false},
        VerifierCase{"IntactLongStereo", 2, Spoil::None, true, "", 400000},
        VerifierCase{"ChangedSampleLate", 2, Spoil::ChangeOneSample, false, "sample 376543 comes back different", 400000,
                     376543},
        VerifierCase{"LessWentInLong", 2, Spoil::ExpectLess, false, "more audio than went in", 400000},
        VerifierCase{"CutLongStream", 2, Spoil::CutStream, false, "", 400000}),
    [](const testing::TestParamInfo<VerifierCase>& info) { return std::string(info.param.name); });

// A verifier dropped mid-stream stops its thread without a verdict.
TEST(FlacVerifier, StopsWhenDroppedMidStream)
{
    std::vector<std::int32_t> samples;
    for (std::int16_t s : testSignal(20000, 2)) {
        samples.push_back(s);
    }
    const std::vector<unsigned char> stream = encode(samples, 2);
    auto verifier = std::make_unique<FlacVerifier>(2);
    ASSERT_TRUE(verifier->start());
    verifier->expect(samples.data(), samples.size());
    verifier->feed(stream.data(), stream.size() / 3);
    verifier.reset(); // joins the thread that waits for more bytes
    SUCCEED();
}

} // namespace
