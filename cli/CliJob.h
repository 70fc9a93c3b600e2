#pragma once

#include "cli/WorkItem.h"

#include <QObject>
#include <memory>
#include <vector>

class EncodePool;
class ProgressView;

// What a rip and a conversion share: their items, the encoder pool, the progress display,
// the end of the job and stopping it.
class CliJob : public QObject
{
    Q_OBJECT

public:
    CliJob(std::vector<std::unique_ptr<WorkItem>> items, ProgressView& view, QObject* parent = nullptr);
    ~CliJob() override;

    virtual void start() = 0;
    // Ctrl+C: ends every worker at once, removes the files they had not finished and
    // ends the job; what was finished stays.
    virtual void stop();

    bool isFinished() const { return m_finished; }
    int failures() const;
    const std::vector<std::unique_ptr<WorkItem>>& items() const { return m_items; }

signals:
    void finished();

protected:
    void setPool(std::unique_ptr<EncodePool> pool);
    EncodePool& pool() { return *m_pool; }
    void changed(WorkItem& item);
    void fail(WorkItem& item, const QString& reason);
    void done(WorkItem& item);
    // Ends the job once nothing runs or waits any more.
    void finishWhenIdle();
    virtual bool idle() const;
    // An encoder's end, for the job to finish the item.
    virtual void itemEncoded(WorkItem* item) = 0;

    std::vector<std::unique_ptr<WorkItem>> m_items;
    ProgressView& m_view;
    bool m_stopping = false;

private:
    std::unique_ptr<EncodePool> m_pool;
    bool m_finished = false;
};
