#pragma once

#include "cd/CDRecords.h"
#include "meta/gui/TfrmStopQuery.h"
#include "platform/ScriptedPrompt.h"
#include "support/CddbTestServer.h"
#include "support/QtPrinters.h"

#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

class CddbQueryLink;
class TfrmQueryCDDB;

// Runs the program's windows for real (exec) while recording them like ScriptedPrompt.
// `onStopWindow` sees the stop window before it runs; `afterNotice` runs once the stop
// window has handled each WM_QUERYCDDB notice.
class WindowRunner : public ScriptedPrompt
{
public:
    int execWindow(QObject* window) override;

    std::function<void(TfrmStopQuery*)> onStopWindow;
    std::function<void(TfrmStopQuery*)> afterNotice;
    QList<int> results;
};

// A scripted drive with a disc of `tracks` tracks (first track `firstTrack`), the track
// list of the main window with one row per track, a loopback CDDB server named in the
// settings, and a clean disc record.
class LookupTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void makeDisc(int firstTrack, int tracks);
    // Fills the list with `rows` rows titled Track01, Track02, ...
    void fillList(int rows);
    QStringList listTitles() const;
    QByteArray discId() const { return m_discId; }
    QByteArray entry(const QByteArray& artist, const QList<QByteArray>& titles) const;

    // Opens the query window (shown, not modal) and presses "Query"; returns when the
    // stop window has closed. The query window is kept for checks; `beforeQuery` fills
    // in what a user types once it is open.
    void pressQuery(const std::function<void(TfrmQueryCDDB&)>& beforeQuery = {});
    // Ends every query thread that is still running and frees it.
    static void finishThreads();

    CddbTestServer m_server;
    std::shared_ptr<WindowRunner> m_prompt;
    std::unique_ptr<QTreeWidget> m_list;
    std::unique_ptr<TfrmQueryCDDB> m_form;
    CDHandle m_handle = 0;
    int m_firstTrack = 1;
    int m_tracks = 3;
    QByteArray m_discId;
};
