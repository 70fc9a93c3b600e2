#include "cli/EncodePool.h"

#include "audio/TWaveIn.h"
#include "cli/ComponentEncoders.h"
#include "cli/ItemEncoder.h"
#include "platform/Files.h"

#include <QCoreApplication>
#include <algorithm>

struct EncodePool::Task
{
    WorkItem* item = nullptr;
    std::unique_ptr<ItemEncoder> encoder;
    QString stepOutput; // what the running step writes
    QString temporary;  // the resampled copy, removed when the item ends
};

EncodePool::EncodePool(int slotCount, CliFormat::Factory factory, bool resampleFirst, QString temporaryFolder,
                       QObject* parent)
    : QObject(parent), m_slots(std::max(1, slotCount)), m_factory(std::move(factory)), m_resampleFirst(resampleFirst),
      m_temporaryFolder(std::move(temporaryFolder))
{
}

EncodePool::~EncodePool()
{
    cancel();
}

void EncodePool::submit(WorkItem* item)
{
    item->state = WorkItem::State::Waiting;
    item->step = QStringLiteral("waiting");
    item->percent = 0;
    m_queue.push_back(item);
    startQueued();
}

int EncodePool::pending() const
{
    return static_cast<int>(m_queue.size() + m_running.size());
}

void EncodePool::cancel()
{
    if (m_cancelled) {
        return;
    }
    m_cancelled = true;
    m_queue.clear();
    for (const std::unique_ptr<Task>& task : m_running) {
        if (task->encoder) {
            task->encoder->cancel();
            if (task->encoder->touchedOutput()) {
                Files::remove(task->stepOutput);
            }
        }
        if (!task->temporary.isEmpty()) {
            Files::remove(task->temporary);
        }
    }
    m_running.clear();
}

bool EncodePool::needsResampling(const WorkItem& item) const
{
    if (!m_resampleFirst) {
        return false;
    }
    TWaveIn probe;
    probe.SetFileName(item.source);
    return probe.Valid() && probe.SampleRate() < 44100;
}

void EncodePool::startQueued()
{
    while (!m_cancelled && !m_queue.empty() && static_cast<int>(m_running.size()) < m_slots) {
        WorkItem* item = m_queue.front();
        m_queue.pop_front();
        auto task = std::make_unique<Task>();
        task->item = item;
        Task& started = *task;
        m_running.push_back(std::move(task));
        item->state = WorkItem::State::Running;
        if (needsResampling(*item)) {
            // Each item resamples into a copy of its own: several may resample at once.
            started.temporary = m_temporaryFolder + QStringLiteral("/.tarnwick-resample-%1-%2.wav")
                                                        .arg(QCoreApplication::applicationPid())
                                                        .arg(++m_temporaryCount);
            runStep(started, std::make_unique<ResampleEncoder>(), item->source, started.temporary);
        } else {
            runStep(started, m_factory(*item), item->source, item->output);
        }
    }
}

void EncodePool::runStep(Task& task, std::unique_ptr<ItemEncoder> encoder, const QString& input, const QString& output)
{
    if (task.encoder) {
        task.encoder.release()->deleteLater(); // the step that just ended is still on the stack
    }
    task.encoder = std::move(encoder);
    task.stepOutput = output;
    Task* key = &task;
    WorkItem* item = task.item;
    item->step = task.encoder->step();
    item->percent = 0;
    connect(task.encoder.get(), &ItemEncoder::progressed, this, [this, item](int percent) {
        item->percent = percent;
        emit itemChanged(item);
    });
    connect(task.encoder.get(), &ItemEncoder::finished, this,
            [this, key](bool ok, const QString& message) { stepEnded(key, ok, message); });
    // Started first: once the step shows, its encoder runs.
    task.encoder->start(input, output);
    emit itemChanged(item);
}

void EncodePool::stepEnded(Task* task, bool ok, const QString& message)
{
    if (ok && !task->temporary.isEmpty() && task->stepOutput == task->temporary) {
        runStep(*task, m_factory(*task->item), task->temporary, task->item->output);
        return;
    }
    endTask(task, ok, message);
}

void EncodePool::endTask(Task* task, bool ok, const QString& message)
{
    const auto found = std::find_if(m_running.begin(), m_running.end(),
                                    [task](const std::unique_ptr<Task>& running) { return running.get() == task; });
    if (found == m_running.end()) {
        return;
    }
    std::unique_ptr<Task> ended = std::move(*found);
    m_running.erase(found);
    if (!ended->temporary.isEmpty()) {
        Files::remove(ended->temporary);
    }
    WorkItem* item = ended->item;
    if (ok) {
        item->state = WorkItem::State::Ready;
    } else {
        // A half-written output is no use to anyone; the input stays.
        if (ended->encoder->touchedOutput() && ended->stepOutput != item->source) {
            Files::remove(ended->stepOutput);
        }
        item->state = WorkItem::State::Failed;
        item->error = message;
    }
    ended->encoder.release()->deleteLater();
    emit itemEncoded(item);
    startQueued();
}
