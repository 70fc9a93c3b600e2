#pragma once

#include "cli/CliFormats.h"
#include "cli/CliJob.h"

// Converts files as the job window's conversions do (WAV to MP3, Ogg or WMA, with the
// 44,100 Hz resampling step first where the window has it, and MP3 to WAV), up to `jobs`
// at a time, into the output folder under each input's own name.
class ConvertJob : public CliJob
{
    Q_OBJECT

public:
    ConvertJob(std::vector<std::unique_ptr<WorkItem>> items, const CliFormat& format, int jobs, bool overwrite,
               ProgressView& view, QObject* parent = nullptr);

    void start() override;

protected:
    void itemEncoded(WorkItem* item) override;

private:
    // Why the item cannot be converted as it stands; empty when it can.
    QString refusal(const WorkItem& item) const;

    const CliFormat& m_format;
    bool m_overwrite;
};
