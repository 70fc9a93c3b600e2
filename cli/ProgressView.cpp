#include "cli/ProgressView.h"

#include "common/Rounding.h"
#include "common/TextFormat.h"

namespace {

const QString Escape = QStringLiteral("\x1b[");

} // namespace

ProgressView::ProgressView(Mode mode, Sink sink, Clock clock, QObject* parent)
    : QObject(parent), m_mode(mode), m_sink(std::move(sink)), m_clock(std::move(clock))
{
    m_started.start();
    if (!m_clock) {
        m_clock = [this] { return m_started.elapsed(); };
    }
    if (m_mode == Mode::Live) {
        // The clock moves on while an encoder stays at one percentage.
        m_timer.setInterval(250);
        connect(&m_timer, &QTimer::timeout, this, &ProgressView::redraw);
        m_timer.start();
    }
}

void ProgressView::setItems(std::vector<const WorkItem*> items, bool twoSteps)
{
    m_items = std::move(items);
    m_twoSteps = twoSteps;
    m_lastSteps.assign(m_items.size(), QString());
}

QString ProgressView::prefix(const WorkItem& item) const
{
    return QStringLiteral("[%1/%2] %3")
        .arg(tarnwick::twoDigit(item.index + 1), tarnwick::twoDigit(static_cast<int>(m_items.size())), item.label);
}

void ProgressView::itemChanged(const WorkItem& item)
{
    if (m_mode == Mode::Quiet) {
        return;
    }
    if (m_mode == Mode::Log && item.index >= 0 && static_cast<std::size_t>(item.index) < m_lastSteps.size()) {
        QString& last = m_lastSteps[static_cast<std::size_t>(item.index)];
        QString step = item.step;
        if (item.state == WorkItem::State::Done) {
            step = QStringLiteral("done: ") + item.output;
        } else if (item.state == WorkItem::State::Failed) {
            step = QStringLiteral("failed");
        }
        if (step != last) {
            last = step;
            print(prefix(item) + QStringLiteral(": ") + step);
        }
        return;
    }
    if (item.state == WorkItem::State::Done) {
        print(prefix(item) + QStringLiteral(": done: ") + item.output);
        return;
    }
    // A new percentage alone waits for the next tenth of a second: a fast drive changes
    // it far more often than anyone can read.
    if (runningSteps() == m_drawnSteps && m_lastDraw >= 0 && m_clock() - m_lastDraw < 100) {
        return;
    }
    redraw();
}

QString ProgressView::runningSteps() const
{
    QString steps;
    for (const WorkItem* item : m_items) {
        if (item->state == WorkItem::State::Running) {
            steps += QString::number(item->index) + QLatin1Char(' ') + item->step + QLatin1Char('\n');
        }
    }
    return steps;
}

void ProgressView::error(const QString& text)
{
    print(QStringLiteral("tarnwick-cli: ") + text);
}

void ProgressView::info(const QString& text)
{
    if (m_mode != Mode::Quiet) {
        print(text);
    }
}

void ProgressView::print(const QString& line)
{
    clearLive();
    m_sink(line + QLatin1Char('\n'));
    redraw();
}

double ProgressView::fraction() const
{
    if (m_items.empty()) {
        return 1.0;
    }
    double sum = 0;
    for (const WorkItem* item : m_items) {
        const double step = std::clamp(item->percent, 0, 100) / 100.0;
        if (item->finished()) {
            sum += 1.0;
        } else if (!m_twoSteps) {
            sum += item->state == WorkItem::State::Running ? step : 0.0;
        } else if (!item->extracted) {
            sum += item->state == WorkItem::State::Running ? step / 2 : 0.0;
        } else {
            sum += 0.5 + (item->state == WorkItem::State::Running ? step / 2 : 0.0);
        }
    }
    return sum / static_cast<double>(m_items.size());
}

QString ProgressView::totalLine() const
{
    int done = 0;
    int failed = 0;
    for (const WorkItem* item : m_items) {
        done += item->state == WorkItem::State::Done ? 1 : 0;
        failed += item->state == WorkItem::State::Failed ? 1 : 0;
    }
    const qint64 elapsed = tarnwick::roundHalfEven(static_cast<double>(m_clock()) / 1000.0);
    const double progress = fraction() * 100.0;
    QString line = QStringLiteral("total %1/%2 done").arg(done).arg(m_items.size());
    if (failed > 0) {
        line += QStringLiteral(", %1 failed").arg(failed);
    }
    line += QStringLiteral("  elapsed ") + tarnwick::timeText(static_cast<int>(elapsed));
    // As the job window gives it: the whole job's likely length, not the time left.
    if (progress >= 1.0) {
        const qint64 estimated = tarnwick::roundHalfEven(static_cast<double>(elapsed) * 100.0 / progress);
        line += QStringLiteral("  estimated ") + tarnwick::timeText(static_cast<int>(estimated));
    }
    return line;
}

QString ProgressView::itemLine(const WorkItem& item) const
{
    return QStringLiteral("  %1  %2 %3%").arg(prefix(item), -30).arg(item.step, -11).arg(item.percent, 3);
}

void ProgressView::clearLive()
{
    if (m_liveLines == 0) {
        return;
    }
    // Back to the first live line, and everything below it goes.
    m_sink(Escape + QString::number(m_liveLines) + QStringLiteral("F") + Escape + QStringLiteral("J"));
    m_liveLines = 0;
}

void ProgressView::redraw()
{
    if (m_mode != Mode::Live || m_finished) {
        return;
    }
    QStringList lines;
    for (const WorkItem* item : m_items) {
        if (item->state == WorkItem::State::Running) {
            lines << itemLine(*item);
        }
    }
    lines << totalLine();
    QString text;
    for (QString& line : lines) {
        // A wrapped line would throw off the count of lines to move back over.
        if (line.size() >= m_columns) {
            line.truncate(std::max(1, m_columns - 1));
        }
        text += line + Escape + QStringLiteral("K\n");
    }
    clearLive();
    m_sink(text);
    m_liveLines = static_cast<int>(lines.size());
    m_lastDraw = m_clock();
    m_drawnSteps = runningSteps();
}

void ProgressView::finish()
{
    m_timer.stop();
    clearLive();
    m_finished = true;
}
