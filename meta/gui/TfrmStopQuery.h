#pragma once

#include "cd/CDRecords.h"

#include <QDialog>
#include <cstdint>
#include <memory>

class QFrame;
class QLabel;
class QPushButton;
class QTreeWidget;
class CddbQueryLink;
class CddbEntryEvent;

// The small window shown while a lookup runs. It starts the query thread when shown,
// writes what the thread found into the disc information and the track list, and ends
// with resultYes when the query has ended. "Stop" (or closing it) ends a running query at
// once and returns resultCancel; after "no match" or a failure it shows why and waits
// for "Close".
class TfrmStopQuery : public QDialog
{
    Q_OBJECT
public:
    static constexpr int resultCancel = QDialog::Rejected;
    static constexpr int resultYes = QDialog::Accepted;

    explicit TfrmStopQuery(QWidget* parent = nullptr);
    ~TfrmStopQuery() override;

    std::uint8_t firstTrack = 1;
    std::uint8_t lastTrack = 1;
    CDHandle cdHandle = 0;
    // The main window's track list; titles go into its second column.
    QTreeWidget* trackList = nullptr;

    QLabel* lHint = nullptr;
    QPushButton* bStop = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* lPanelText = nullptr;

    void FormCreate();
    void FormShow();
    void bStopClick();
    // True until the query thread's final notice arrived or the user stopped it.
    bool querying() const;

    static QString noMatchText();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void reject() override;

private:
    void showInPanel(const QString& text);
    void writeEntry(const CddbEntryEvent& entry);

    std::shared_ptr<CddbQueryLink> m_link;
    bool m_started = false;
    bool m_finished = false;
};
