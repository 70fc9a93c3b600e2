#include "cli/CliFormats.h"

#include "cli/ComponentEncoders.h"
#include "cli/ProcessEncoders.h"
#include "cli/WorkItem.h"
#include "jobs/core/JobFiles.h"
#include "meta/TrackComments.h"
#include "settings/TSettings.h"

const std::vector<CliFormat>& cliFormats()
{
    // The encoders run in the job modes of the window's jobs, so existing outputs are
    // treated as there: a rip replaces them, a conversion asks (--overwrite answers).
    static const std::vector<CliFormat> formats = {
        {QStringLiteral("wav"), ofWAV, QStringLiteral(".wav"), nullptr,
         [](const WorkItem&) { return std::make_unique<Mp3ItemEncoder>(JobFiles::Mp3ToWav, false); }, false, false},
        {QStringLiteral("mp3"), ofMP3, QStringLiteral(".mp3"),
         [](const WorkItem&) { return std::make_unique<Mp3ItemEncoder>(JobFiles::ExtractCD, true); },
         [](const WorkItem&) { return std::make_unique<Mp3ItemEncoder>(JobFiles::WavToMp3, true); }, true, true},
        {QStringLiteral("ogg"), ofOGG, QStringLiteral(".ogg"),
         [](const WorkItem&) { return std::make_unique<OggItemEncoder>(); },
         [](const WorkItem&) { return std::make_unique<OggItemEncoder>(); }, true, true},
        // Lossless: a conversion keeps the input's own rate, as the window's does.
        {QStringLiteral("flac"), ofFLAC, QStringLiteral(".flac"),
         [](const WorkItem& item) {
             return std::make_unique<FlacItemEncoder>(TrackComments::forTrack(settings().Disc, item.title, item.row));
         },
         [](const WorkItem&) { return std::make_unique<FlacItemEncoder>(QStringList()); }, true, false},
        {QStringLiteral("wma"), ofWMA, QStringLiteral(".wma"),
         [](const WorkItem&) { return std::make_unique<WmaItemEncoder>(JobFiles::ExtractCD); },
         [](const WorkItem&) { return std::make_unique<WmaItemEncoder>(JobFiles::WavToWma); }, true, false},
    };
    return formats;
}

const CliFormat* findFormat(const QString& name)
{
    for (const CliFormat& format : cliFormats()) {
        if (format.name == name) {
            return &format;
        }
    }
    return nullptr;
}

const CliFormat* formatOfOutputFormat(int outputFormat)
{
    for (const CliFormat& format : cliFormats()) {
        if (format.outputFormat == outputFormat) {
            return &format;
        }
    }
    return nullptr;
}

QStringList ripFormatNames()
{
    QStringList names;
    for (const CliFormat& format : cliFormats()) {
        names << format.name;
    }
    return names;
}

QStringList convertFormatNames()
{
    QStringList names;
    for (const CliFormat& format : cliFormats()) {
        if (format.convert) {
            names << format.name;
        }
    }
    return names;
}
