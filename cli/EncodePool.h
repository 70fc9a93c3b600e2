#pragma once

#include "cli/CliFormats.h"
#include "cli/WorkItem.h"

#include <QObject>
#include <deque>
#include <memory>
#include <vector>

class ItemEncoder;

// Runs the encoders of many items side by side, at most `slots` at a time, each with an
// encoder of its own. Items are encoded in the order they were handed in.
class EncodePool : public QObject
{
    Q_OBJECT

public:
    // `temporaryFolder` holds the resampled copies of inputs below 44,100 Hz.
    EncodePool(int slotCount, CliFormat::Factory factory, bool resampleFirst, QString temporaryFolder,
               QObject* parent = nullptr);
    ~EncodePool() override;

    void submit(WorkItem* item);
    // Items handed in and not finished: waiting for a slot or being encoded.
    int pending() const;
    int slotCount() const { return m_slots; }

    // Ends every encoder at once and removes the files they had not finished; the items
    // stay as they were. Nothing more is reported.
    void cancel();

signals:
    void itemChanged(WorkItem* item);
    // The item's encoding ended; item->state says how (Ready for success: the caller
    // decides when the item is done).
    void itemEncoded(WorkItem* item);

private:
    struct Task;

    void startQueued();
    void runStep(Task& task, std::unique_ptr<ItemEncoder> encoder, const QString& input, const QString& output);
    void stepEnded(Task* task, bool ok, const QString& message);
    void endTask(Task* task, bool ok, const QString& message);
    bool needsResampling(const WorkItem& item) const;

    int m_slots;
    CliFormat::Factory m_factory;
    bool m_resampleFirst;
    QString m_temporaryFolder;
    bool m_cancelled = false;
    int m_temporaryCount = 0;
    std::deque<WorkItem*> m_queue;
    std::vector<std::unique_ptr<Task>> m_running;
};
