#include "cli/ItemEncoder.h"

#include <QMetaObject>
#include <QPointer>

void ItemEncoder::finishLater(bool ok, const QString& message)
{
    if (m_ended) {
        return;
    }
    m_ended = true;
    QMetaObject::invokeMethod(
        this, [this, ok, message] { emit finished(ok, message); }, Qt::QueuedConnection);
}

void ItemEncoder::reportProgress(int percent)
{
    if (m_ended || percent == m_lastPercent) {
        return;
    }
    m_lastPercent = percent;
    emit progressed(percent);
}
