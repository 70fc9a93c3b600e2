// MP3 encoding through TMp3EncodeProcess against the same encoder run directly with the
// same arguments, in the same run. The process adds a reader thread and window-thread
// parsing on top of the encoder; this shows what that costs. A decode of the result is
// measured the same way, with the longest time the window thread went without running
// its timer while the decoder wrote a line per frame.
#include "BenchSupport.h"
#include "common/Messages.h"
#include "encoders/TMp3EncodeProcess.h"
#include "settings/TSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 5;
constexpr int Seconds = 600;

class Receiver : public QObject
{
public:
    int records = 0;
    bool finished = false;
    QEventLoop* loop = nullptr;

protected:
    bool event(QEvent* event) override
    {
        if (event->type() != WM_PROCESSINFO) {
            return QObject::event(event);
        }
        ++records;
        if (static_cast<ProcessInfoEvent*>(event)->info().Progress >= ProgressCode::Mp3Finished) {
            finished = true;
            loop->quit();
        }
        return true;
    }
};

struct OursResult
{
    double seconds = 0;
    int records = 0;
    qint64 longestStallMs = 0;
};

OursResult runOurs(const QString& input, const QString& output, bool encode)
{
    Receiver receiver;
    QEventLoop loop;
    receiver.loop = &loop;
    // The window thread's pulse while decoding: a gap far above the interval means it was
    // kept busy. Not run while encoding, where it would only add wake-ups to the timing.
    QElapsedTimer pulse;
    qint64 longest = 0;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] { longest = std::max(longest, pulse.restart()); });

    TMp3EncodeProcess process;
    process.setActive(true);
    process.setInputFile(input);
    process.setOutputFile(output);
    process.setWindowHandle(&receiver);
    process.setEncodeFlag(encode);
    process.setJobMode(1);
    QElapsedTimer clock;
    clock.start();
    pulse.start();
    if (!encode) {
        timer.start();
    }
    process.start();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    process.stop(0);
    return {seconds, receiver.records, longest};
}

double runReference(const QString& program, const QStringList& arguments)
{
    return bench::timeTool(program, arguments, "mp3");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString wav = folder.filePath(QStringLiteral("ten.wav"));
    const QString ours = folder.filePath(QStringLiteral("ours.mp3"));
    const QString theirs = folder.filePath(QStringLiteral("reference.mp3"));
    // Ten minutes of a tone under noise, so the encoder has real work to do.
    if (QProcess::execute(QStringLiteral("sox"),
                          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                           QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), wav,
                           QStringLiteral("synth"), QString::number(Seconds), QStringLiteral("sine"),
                           QStringLiteral("440"), QStringLiteral("pinknoise")}) != 0) {
        std::fprintf(stderr, "bench mp3: sox could not make the input\n");
        return 1;
    }

    TSettings& s = settings();
    s.BitRate = 128;
    s.StereoMode = 1;
    s.MpegQuality = 0;
    s.IsSelectVBR = false;
    const QString lame = TMp3EncodeProcess::findEncoder();
    const EncoderCommand encodeCommand = TMp3EncodeProcess::buildCommand(s, true, wav, theirs, lame);
    const QString decoded = folder.filePath(QStringLiteral("back.wav"));
    const EncoderCommand decodeCommand = TMp3EncodeProcess::buildCommand(s, false, ours, decoded, lame);

    std::vector<double> oursEncode, referenceEncode, oursDecode, referenceDecode;
    int decodeRecords = 0;
    qint64 stall = 0;
    for (int i = 0; i < Runs; ++i) {
        // Alternate the order so neither side always runs on a warmer machine.
        if (i % 2 == 0) {
            oursEncode.push_back(runOurs(wav, ours, true).seconds);
            referenceEncode.push_back(runReference(encodeCommand.program(), encodeCommand.arguments()));
        } else {
            referenceEncode.push_back(runReference(encodeCommand.program(), encodeCommand.arguments()));
            oursEncode.push_back(runOurs(wav, ours, true).seconds);
        }
        std::printf("encode run %d: ours=%.3f reference=%.3f\n", i + 1, oursEncode.back(), referenceEncode.back());
        std::fflush(stdout);
    }
    for (int i = 0; i < Runs; ++i) {
        const OursResult result = runOurs(ours, decoded, false);
        oursDecode.push_back(result.seconds);
        decodeRecords = result.records;
        stall = std::max(stall, result.longestStallMs);
        referenceDecode.push_back(runReference(decodeCommand.program(), decodeCommand.arguments()));
    }

    const double decodeOurs = bench::median(oursDecode);
    const double decodeReference = bench::median(referenceDecode);
    std::printf("decode of the result: ours=%.3f reference=%.3f ratio=%.3f records=%d longest window-thread "
                "stall=%lld ms\n",
                decodeOurs, decodeReference, decodeOurs / decodeReference, decodeRecords,
                static_cast<long long>(stall));
    const double encodeOurs = bench::median(oursEncode);
    const double encodeReference = bench::median(referenceEncode);
    std::printf("reference: %s run directly with the same arguments (%d runs each, median)\n", qPrintable(lame), Runs);
    std::printf("bench mp3: ours=%.3f reference=%.3f ratio=%.3f\n", encodeOurs, encodeReference,
                encodeOurs / encodeReference);
    return 0;
}
