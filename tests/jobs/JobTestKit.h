#pragma once

#include "cd/CDRecords.h"
#include "platform/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include <QStringList>
#include <functional>
#include <memory>

class TMp3EncodeProcess;
class TRipForm;
class TWMAEncodeProcess;

// A program folder with our encoders, an output folder, default settings and a scripted
// prompt that runs every job window to its end.
class JobTestKit
{
public:
    JobTestKit();
    ~JobTestKit();

    QString out(const QString& name) const { return dir.file(QStringLiteral("out/") + name); }
    QString input(const QString& name) const { return dir.file(QStringLiteral("in/") + name); }

    // A disc image of tracks of the given lengths in seconds, opened as a drive.
    CDHandle openDisc(const std::vector<double>& seconds, int firstTrack = 1);

    // Runs a job window to its end. `during` sees the window once it exists.
    void runJob(int mode, CDHandle handle, const QStringList& items,
                const std::function<void(TRipForm&)>& during = nullptr);

    static QStringList filesIn(const QString& folder);
    // ffprobe's text for one entry of a file ("format_tags=title" ...), empty if none.
    static QString probe(const QString& file, const QString& entries);
    static double durationSeconds(const QString& file);

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<TMp3EncodeProcess> mp3;
    std::unique_ptr<TWMAEncodeProcess> wma;
    CDHandle handle = 0;
};
