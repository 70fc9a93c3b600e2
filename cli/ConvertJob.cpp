#include "cli/ConvertJob.h"

#include "audio/TWaveIn.h"
#include "cli/EncodePool.h"
#include "jobs/core/JobFiles.h"
#include "platform/Files.h"
#include "settings/TSettings.h"

#include <QFileInfo>
#include <QHash>

ConvertJob::ConvertJob(std::vector<std::unique_ptr<WorkItem>> items, const CliFormat& format, int jobs, bool overwrite,
                       ProgressView& view, QObject* parent)
    : CliJob(std::move(items), view, parent), m_format(format), m_overwrite(overwrite)
{
    setPool(std::make_unique<EncodePool>(jobs, m_format.convert, m_format.resampleFirst, settings().OutputFolder));
}

QString ConvertJob::refusal(const WorkItem& item) const
{
    const QFileInfo input(item.source);
    if (!input.isFile()) {
        return QStringLiteral("no such file");
    }
    if (m_format.convertsWav) {
        TWaveIn probe;
        probe.SetFileName(item.source);
        if (!probe.Valid()) {
            return QStringLiteral("not a WAV file that can be read");
        }
    }
    if (QFileInfo(item.output).absoluteFilePath() == input.absoluteFilePath()) {
        return QStringLiteral("its output %1 would replace the input itself").arg(item.output);
    }
    if (Files::exists(item.output)) {
        if (!m_overwrite) {
            return item.output + QStringLiteral(" exists (give --overwrite to replace it)");
        }
        if (Files::isInUse(item.output)) {
            return item.output + QStringLiteral(" is in use by another program");
        }
    }
    return QString();
}

void ConvertJob::start()
{
    QHash<QString, const WorkItem*> byOutput;
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        item->output = JobFiles::convertedFile(settings(), item->source, m_format.extension);
        if (const WorkItem* first = byOutput.value(item->output)) {
            fail(*item, QStringLiteral("would write %1, as %2 does").arg(item->output, first->source));
            continue;
        }
        byOutput.insert(item->output, item.get());
        const QString reason = refusal(*item);
        if (!reason.isEmpty()) {
            fail(*item, reason);
            continue;
        }
        pool().submit(item.get());
    }
    finishWhenIdle();
}

void ConvertJob::itemEncoded(WorkItem* item)
{
    if (item->state == WorkItem::State::Ready) {
        done(*item);
    }
    finishWhenIdle();
}
