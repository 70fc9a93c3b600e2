#pragma once

#include <QString>

struct TSettings;

// How a conversion job names its files. The window and the terminal front end both use
// these, so the same settings and disc give the same files.
namespace JobFiles {

// Job modes: what a job does with its items.
enum Mode { ExtractCD = 1, WavToMp3 = 2, Mp3ToWav = 3, RecordToMp3 = 4, WavToOgg = 5, WavToWma = 6, WavToFlac = 7 };

// The output folder with a trailing "/" (none for an empty folder).
QString folder(const TSettings& settings);

// A CD job item: the two-digit row position followed by the title.
QString extractItem(int row, const QString& title);
QString itemTitle(const QString& item);
int itemTrack(const QString& item);

// The path with its extension (after the last dot of the file name) replaced; a name
// without one gets the extension appended.
QString withExtension(const QString& path, const QString& extension);

// The WAV a track is extracted to: Folder + title + ".wav".
QString extractedWav(const TSettings& settings, const QString& title);
// The output of converting `input` into the output folder: Folder + its file name with
// `extension`.
QString convertedFile(const TSettings& settings, const QString& input, const QString& extension);

} // namespace JobFiles
