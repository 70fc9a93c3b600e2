#pragma once

#include "encoders/TEncodeProcess.h"

#include <QStringList>

struct TSettings;

// Encodes a WAV file to WMA with our own command-line encoder "wmaenc". Its records go to
// the window as WM_PROCESSINFO: {100} posted when the encoder reports "100%", and sent
// (the window has handled them when the call returns) {5000, Status}: 0 declined or no
// encoder, 1 output in use, 2 the encoder ended, 3 it ended with an error code (its last
// line in ElapsedText), 8 the encoder reported an error (the line in ElapsedText). After an error line the encoder is
// ended and its end delivers nothing more: the window gets exactly one final record per item.
class TWMAEncodeProcess : public TEncodeProcess
{
public:
    explicit TWMAEncodeProcess(QObject* windowHandle = nullptr);

    static constexpr int ProfileCount = 33;
    static constexpr int DefaultProfile = 8;
    static const QString EncoderName;
    static const QString SupportAddress;

    // "<kbps>_<khz>_<channels>" for a WMA bit-rate index; empty outside 0..32.
    static QString profile(int index);
    // Where the encoder is looked for, in order: the program folder, then the library
    // folders an installation puts helper programs in. Never PATH.
    static QStringList encoderFolders();
    // The full path of the first encoder found, empty when there is none.
    static QString findEncoder();
    // The command for these settings. A bit-rate index outside 0..32 is set to 8 in the
    // settings themselves.
    static EncoderCommand buildCommand(TSettings& settings, const QString& encoderPath, const QString& input,
                                       const QString& output);

protected:
    bool asksBeforeOverwrite() const override;
    std::optional<EncoderCommand> prepareCommand() override;
    void parseLine(const QString& line) override;
    void deliverEnd(std::int32_t status) override;
    TEncodeThread* createThread(std::shared_ptr<EncodeSession> session) override;
};
