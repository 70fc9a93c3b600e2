#include "cli/CliJob.h"

#include "cli/EncodePool.h"
#include "cli/ProgressView.h"

CliJob::CliJob(std::vector<std::unique_ptr<WorkItem>> items, ProgressView& view, QObject* parent)
    : QObject(parent), m_items(std::move(items)), m_view(view)
{
}

CliJob::~CliJob() = default;

void CliJob::setPool(std::unique_ptr<EncodePool> pool)
{
    m_pool = std::move(pool);
    connect(m_pool.get(), &EncodePool::itemChanged, this, [this](WorkItem* item) { changed(*item); });
    connect(m_pool.get(), &EncodePool::itemEncoded, this, [this](WorkItem* item) {
        if (item->state == WorkItem::State::Failed) {
            m_view.error(item->label + QStringLiteral(": ") + item->error);
            m_view.itemChanged(*item);
        }
        itemEncoded(item);
    });
}

void CliJob::stop()
{
    if (m_finished) {
        return;
    }
    m_stopping = true;
    if (m_pool) {
        m_pool->cancel();
    }
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        if (!item->finished()) {
            item->state = WorkItem::State::Failed;
            item->error = QStringLiteral("stopped");
        }
    }
    m_finished = true;
    emit finished();
}

int CliJob::failures() const
{
    int count = 0;
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        count += item->state == WorkItem::State::Failed ? 1 : 0;
    }
    return count;
}

void CliJob::changed(WorkItem& item)
{
    m_view.itemChanged(item);
}

void CliJob::fail(WorkItem& item, const QString& reason)
{
    item.state = WorkItem::State::Failed;
    item.error = reason;
    m_view.error(item.label + QStringLiteral(": ") + reason);
    m_view.itemChanged(item);
}

void CliJob::done(WorkItem& item)
{
    item.state = WorkItem::State::Done;
    item.percent = 100;
    m_view.itemChanged(item);
}

bool CliJob::idle() const
{
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        if (!item->finished()) {
            return false;
        }
    }
    return true;
}

void CliJob::finishWhenIdle()
{
    if (!m_finished && !m_stopping && idle()) {
        m_finished = true;
        emit finished();
    }
}
