#pragma once

#include "cli/WorkItem.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

// Progress on standard error. On a terminal: one live line per running item (its name,
// step and percentage) under the log, and a total line with the elapsed and estimated
// time, redrawn in place. Otherwise plain log lines, one per step of each item. Quiet:
// errors only.
class ProgressView : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Live, Log, Quiet };
    using Sink = std::function<void(const QString& text)>;
    using Clock = std::function<qint64()>; // milliseconds since the job began

    ProgressView(Mode mode, Sink sink, Clock clock = nullptr, QObject* parent = nullptr);

    Mode mode() const { return m_mode; }
    void setColumns(int columns) { m_columns = columns; }
    // The items of the job; `twoSteps`: each is extracted, then encoded.
    void setItems(std::vector<const WorkItem*> items, bool twoSteps);

    void itemChanged(const WorkItem& item);
    void error(const QString& text);
    void info(const QString& text);
    // Takes the live lines away for good.
    void finish();

    // Estimated share of the whole job done, 0 to 1.
    double fraction() const;
    QString totalLine() const;
    QString itemLine(const WorkItem& item) const;

private:
    void print(const QString& line);
    void redraw();
    QString runningSteps() const;
    void clearLive();
    QString prefix(const WorkItem& item) const;

    Mode m_mode;
    Sink m_sink;
    Clock m_clock;
    QElapsedTimer m_started;
    QTimer m_timer;
    int m_columns = 80;
    bool m_twoSteps = false;
    bool m_finished = false;
    int m_liveLines = 0;
    qint64 m_lastDraw = -1; // on m_clock
    QString m_drawnSteps;   // the running items and their steps at the last drawing
    std::vector<const WorkItem*> m_items;
    std::vector<QString> m_lastSteps;
};
