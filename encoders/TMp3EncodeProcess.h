#pragma once

#include "encoders/TEncodeProcess.h"

struct TSettings;

// Encodes a WAV file to MP3 or decodes an MP3 file to WAV with the command-line encoder
// "lame", and turns its progress output into WM_PROCESSINFO records posted to the window:
// 1..100 with the elapsed and estimated time, and {2000, Status} at the end (0 declined
// overwrite, 1 output in use, 2 the encoder ended, 3 it ended with an error, its text in
// ElapsedText).
class TMp3EncodeProcess : public TEncodeProcess
{
public:
    explicit TMp3EncodeProcess(QObject* windowHandle = nullptr);

    struct ProgressLine
    {
        std::int32_t progress = 0;
        QString elapsed;
        QString estimated;
    };

    // The encoder command for these settings; `program` is what gets started, the text
    // always shows "lame".
    static EncoderCommand buildCommand(const TSettings& settings, bool encode, const QString& input,
                                       const QString& output, const QString& program = QStringLiteral("lame"));
    // "lame" in the program folder, else the one on PATH; the bare name when neither has it.
    static QString findEncoder();

    // One line of encoder output. `progressColumn` (1-based, 0 = not found yet) is fixed by
    // the first line that reads as a progress line. A value only when the line holds a
    // progress of 1 to 100.
    static std::optional<ProgressLine> parseEncodeLine(const QString& line, int& progressColumn);
    static std::optional<ProgressLine> parseDecodeLine(const QString& line, int& progressColumn,
                                                       std::int64_t elapsedSeconds);

protected:
    bool asksBeforeOverwrite() const override;
    std::optional<EncoderCommand> prepareCommand() override;
    void parseLine(const QString& line) override;
    void deliverEnd(std::int32_t status) override;
    TEncodeThread* createThread(std::shared_ptr<EncodeSession> session) override;
};
