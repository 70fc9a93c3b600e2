#include "meta/gui/TfrmStopQuery.h"

#include "meta/gui/TQueryCDDBThread.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmStopQuery::TfrmStopQuery(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmStopQuery"));
    setWindowTitle(QStringLiteral("Query CDDB..."));
    lHint = new QLabel(QStringLiteral("Query CDDB..."), this);
    lHint->setObjectName(QStringLiteral("lHint"));
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    lPanelText = new QLabel(Panel1);
    lPanelText->setObjectName(QStringLiteral("Label1"));
    lPanelText->setWordWrap(true);
    lPanelText->setTextFormat(Qt::PlainText);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->addWidget(lPanelText);
    Panel1->hide();
    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setDefault(true);
    connect(bStop, &QPushButton::clicked, this, &TfrmStopQuery::bStopClick);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lHint);
    layout->addWidget(Panel1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bStop);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    // The panel keeps room for the four-line hint whatever it shows.
    lPanelText->setText(noMatchText());
    lPanelText->setMinimumSize(lPanelText->sizeHint());
    lHint->setMinimumWidth(lPanelText->sizeHint().width());
    lPanelText->clear();
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
}

TfrmStopQuery::~TfrmStopQuery()
{
    if (m_link) {
        m_link->detach();
    }
}

QString TfrmStopQuery::noMatchText()
{
    return QStringLiteral("No match found,perhaps:\n"
                          "1.No information in CDDB server\n"
                          "2.error CDDB options\n"
                          "3.check the network");
}

void TfrmStopQuery::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

void TfrmStopQuery::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TfrmStopQuery::FormShow()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_link = std::make_shared<CddbQueryLink>(this);
    TQueryCDDBThread::start(m_link, firstTrack, lastTrack, cdHandle);
}

bool TfrmStopQuery::querying() const
{
    return m_started && !m_finished;
}

bool TfrmStopQuery::event(QEvent* event)
{
    if (event->type() == CddbEntryEvent::eventType()) {
        if (querying()) {
            writeEntry(*static_cast<CddbEntryEvent*>(event));
        }
        return true;
    }
    if (event->type() != WM_QUERYCDDB) {
        return QDialog::event(event);
    }
    if (!querying()) {
        return true;
    }
    m_finished = true;
    const auto* notice = static_cast<MessageEvent*>(event);
    switch (notice->wParam()) {
    case cnNoMatch:
        showInPanel(noMatchText());
        break;
    case cnFailed:
        showInPanel(QStringLiteral("Query failed: ") + static_cast<CddbFailureEvent*>(event)->text());
        break;
    default:
        done(resultYes);
        break;
    }
    return true;
}

void TfrmStopQuery::showInPanel(const QString& text)
{
    lPanelText->setText(text);
    lHint->hide();
    Panel1->show();
    bStop->setText(QStringLiteral("Close"));
}

void TfrmStopQuery::writeEntry(const CddbEntryEvent& entry)
{
    const CddbEntryFields& fields = entry.fields();
    applyCddbEntry(fields, settings().Disc);
    if (!fields.hasTitleKey || trackList == nullptr) {
        return;
    }
    constexpr int titleColumn = 1;
    const int rows = trackList->topLevelItemCount();
    trackList->headerItem()->setTextAlignment(titleColumn, Qt::AlignLeft | Qt::AlignVCenter);
    for (int row = 0; row < rows; ++row) {
        trackList->topLevelItem(row)->setTextAlignment(titleColumn, Qt::AlignLeft | Qt::AlignVCenter);
    }
    // A list with fewer rows than the disc has tracks gets no title past its last row.
    for (int row = 0; row < rows && row < static_cast<int>(fields.titles.size()); ++row) {
        trackList->topLevelItem(row)->setText(titleColumn, fields.titles[static_cast<std::size_t>(row)]);
    }
}

void TfrmStopQuery::bStopClick()
{
    if (m_link) {
        // From here on the thread's transfer ends and nothing it sends is written.
        m_link->detach();
    }
    m_finished = true;
    done(resultCancel);
}

void TfrmStopQuery::reject()
{
    bStopClick();
}
