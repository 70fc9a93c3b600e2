#include "common/Messages.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace tarnwick {

namespace {

std::unique_ptr<TProcessInfo> makeRecord(std::int32_t progress, const QString& elapsed, const QString& estimated,
                                         std::int32_t status)
{
    auto info = std::make_unique<TProcessInfo>();
    info->Progress = progress;
    info->ElapsedText = elapsed;
    info->EstimatedText = estimated;
    info->Status = status;
    return info;
}

} // namespace

void postMessage(QObject* receiver, QEvent* event)
{
    if (receiver == nullptr) {
        delete event;
        return;
    }
    QCoreApplication::postEvent(receiver, event);
}

void postProcessInfo(QObject* receiver, std::int32_t progress, const QString& elapsed, const QString& estimated,
                     std::int32_t status)
{
    postMessage(receiver, new ProcessInfoEvent(makeRecord(progress, elapsed, estimated, status)));
}

void sendMessage(QObject* receiver, QEvent* event)
{
    std::unique_ptr<QEvent> owned(event);
    if (receiver == nullptr) {
        return;
    }
    synchronize(receiver, [&] { QCoreApplication::sendEvent(receiver, owned.get()); });
}

void sendProcessInfo(QObject* receiver, std::int32_t progress, const QString& elapsed, const QString& estimated,
                     std::int32_t status)
{
    sendMessage(receiver, new ProcessInfoEvent(makeRecord(progress, elapsed, estimated, status)));
}

void synchronize(QObject* context, const std::function<void()>& work)
{
    if (context == nullptr || context->thread() == QThread::currentThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(context, work, Qt::BlockingQueuedConnection);
}

} // namespace tarnwick
