#pragma once

#include <QObject>
#include <QString>

// One encoding step of one item (encode, decode or resample one file), from its start to
// exactly one end. The end always comes from the event loop, never from inside start(),
// so the caller never sees an item end before start() has returned.
class ItemEncoder : public QObject
{
    Q_OBJECT

public:
    explicit ItemEncoder(QObject* parent = nullptr) : QObject(parent) {}

    virtual void start(const QString& input, const QString& output) = 0;
    // Ends the work at once: the encoder process ended and reaped, the component idle.
    // No end is reported afterwards. The unfinished output stays for the caller to remove.
    virtual void cancel() = 0;
    // What the user sees for this step: "encoding", "decoding", "resampling".
    virtual QString step() const = 0;
    // The step began writing its output: an unfinished output is then ours to remove. An
    // existing file the step refused to replace is not.
    bool touchedOutput() const { return m_touched; }

signals:
    void progressed(int percent);
    void finished(bool ok, const QString& message);

protected:
    // Reports the end once, later, from the event loop; nothing after cancel().
    void finishLater(bool ok, const QString& message);
    void reportProgress(int percent);
    bool ended() const { return m_ended; }
    void markCancelled() { m_ended = true; }
    void markTouched() { m_touched = true; }

private:
    bool m_ended = false;
    bool m_touched = false;
    int m_lastPercent = -1;
};
