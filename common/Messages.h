#pragma once

#include "common/TProcessInfo.h"

#include <QEvent>
#include <QObject>
#include <functional>
#include <memory>

// Window messages between worker threads and windows, carried as Qt events.
// The numbers keep the offsets from WM_USER so logs and tests can name them.
constexpr int WM_USER_BASE = 1024;
inline const QEvent::Type WM_RIPERROR = static_cast<QEvent::Type>(QEvent::User + 101);
inline const QEvent::Type WM_PROCESSINFO = static_cast<QEvent::Type>(QEvent::User + 102);
inline const QEvent::Type WM_QUERYCDDB = static_cast<QEvent::Type>(QEvent::User + 105);

// A message with the two plain parameters of a window message; lParam-carried
// records use ProcessInfoEvent instead so ownership is explicit.
class MessageEvent : public QEvent
{
public:
    MessageEvent(QEvent::Type type, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(type), m_wParam(wParam), m_lParam(lParam)
    {
    }
    std::intptr_t wParam() const { return m_wParam; }
    std::intptr_t lParam() const { return m_lParam; }

private:
    std::intptr_t m_wParam;
    std::intptr_t m_lParam;
};

// WM_PROCESSINFO: the event owns its record; a receiver that wants to keep it takes it.
class ProcessInfoEvent : public QEvent
{
public:
    explicit ProcessInfoEvent(std::unique_ptr<TProcessInfo> info)
        : QEvent(WM_PROCESSINFO), m_info(std::move(info))
    {
    }
    const TProcessInfo& info() const { return *m_info; }
    std::unique_ptr<TProcessInfo> take() { return std::move(m_info); }

private:
    std::unique_ptr<TProcessInfo> m_info;
};

namespace tarnwick {

// PostMessage: queue the event for the receiver's thread and return at once.
void postMessage(QObject* receiver, QEvent* event);
void postProcessInfo(QObject* receiver, std::int32_t progress, const QString& elapsed, const QString& estimated,
                     std::int32_t status);

// SendMessage: deliver the event on the receiver's thread and block until it has
// been handled. From the receiver's own thread it is delivered directly.
void sendMessage(QObject* receiver, QEvent* event);
void sendProcessInfo(QObject* receiver, std::int32_t progress, const QString& elapsed, const QString& estimated,
                     std::int32_t status);

// Synchronize: run a function on the thread of `context` and wait for it.
void synchronize(QObject* context, const std::function<void()>& work);

} // namespace tarnwick
