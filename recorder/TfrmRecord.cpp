#include "recorder/TfrmRecord.h"

#include "common/ProgramFolder.h"
#include "platform/Files.h"
#include "platform/Mixer.h"
#include "platform/Prompt.h"
#include "platform/WaveAudioDevice.h"
#include "platform/gui/Shell.h"
#include "recorder/RecordTexts.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "tools/TAfStartButton.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString idleText = QStringLiteral("-----------");
const QString recordingText = QStringLiteral("Recording...");
const QString webAddress = QStringLiteral("https://tarnwick.example.org/");

// A caption and its value side by side in a sunken panel.
QFrame* sunkenPair(QWidget* parent, QLabel*& caption, const QString& captionText, QLabel*& value,
                   const QString& valueText)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(6, 3, 6, 3);
    caption = new QLabel(captionText, panel);
    value = new QLabel(valueText, panel);
    value->setMinimumWidth(110);
    caption->setBuddy(value);
    row->addWidget(caption);
    row->addWidget(value, 1);
    return panel;
}

} // namespace

TfrmRecord::TfrmRecord(QWidget* owner, CDHandle driveHandle, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma)
    : QDialog(owner), m_driveHandle(driveHandle), m_mp3(mp3), m_wma(wma), m_device(std::make_unique<WaveAudioDevice>())
{
    now = [] { return QDateTime::currentDateTime(); };
    recordWait = [](int milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    };
    openMixer = [] { return Mixer::open(Mixer::Page::Recording); };
    buildWindow();
    FormCreate();
}

TfrmRecord::~TfrmRecord() = default;

void TfrmRecord::buildWindow()
{
    setObjectName(QStringLiteral("frmRecord"));
    setWindowTitle(QStringLiteral("Record"));
    GroupBox1 = new QGroupBox(QStringLiteral("Record"), this);
    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(sunkenPair(GroupBox1, Label1, QStringLiteral("Position"), lbPosition, QStringLiteral("0.00Sec")), 0,
                    0);
    grid->addWidget(sunkenPair(GroupBox1, Label3, QStringLiteral("Length"), lbLength, QStringLiteral("0.00Sec")), 0, 1);
    panRecordTime = new QLabel(QStringLiteral("00:00:00.0"), GroupBox1);
    panRecordTime->setObjectName(QStringLiteral("panRecordTime"));
    panRecordTime->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panRecordTime->setAlignment(Qt::AlignCenter);
    panRecordTime->setToolTip(QStringLiteral("The time length of current recording"));
    panRecordTime->setAccessibleDescription(panRecordTime->toolTip());
    QFont clockFont = panRecordTime->font();
    clockFont.setPointSizeF(clockFont.pointSizeF() * 1.6);
    clockFont.setBold(true);
    panRecordTime->setFont(clockFont);
    grid->addWidget(panRecordTime, 1, 0);
    lbState = new QLabel(idleText, GroupBox1);
    lbState->setObjectName(QStringLiteral("lbState"));
    lbState->setAlignment(Qt::AlignCenter);
    grid->addWidget(lbState, 1, 1);

    TrackBar1 = new QSlider(Qt::Horizontal, GroupBox1);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setAccessibleName(QStringLiteral("Position"));
    TrackBar1->setRange(0, 400);
    TrackBar1->setTickInterval(40);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setPageStep(40);
    connect(TrackBar1, &QSlider::valueChanged, this, &TfrmRecord::suitempTrackBar1Change);
    grid->addWidget(TrackBar1, 2, 0, 1, 2);

    MediaPlayer1 = new TMediaBar(GroupBox1);
    MediaPlayer1->setObjectName(QStringLiteral("MediaPlayer1"));
    MediaPlayer1->setToolTip(
        QStringLiteral("The buttons are Play,Stop,Next, Previous, Step, Back, StartRecording, and Eject."));
    MediaPlayer1->setVisibleButton(TMediaBar::btPause, false);
    MediaPlayer1->setVisibleButton(TMediaBar::btEject, false);
    connect(MediaPlayer1, &TMediaBar::clicked, this, &TfrmRecord::MediaPlayer1Click);
    grid->addWidget(MediaPlayer1, 3, 0, 1, 2, Qt::AlignHCenter);

    buildMenu();
    AfStartButton1 = new TAfStartButton(this);
    AfStartButton1->setObjectName(QStringLiteral("AfStartButton1"));
    AfStartButton1->setText(QStringLiteral("Start"));
    AfStartButton1->useStartPicture();
    AfStartButton1->setPopupMenu(PopupMenu1);
    lWeb = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(webAddress), this);
    lWeb->setObjectName(QStringLiteral("lWeb"));
    lWeb->setCursor(Qt::PointingHandCursor);
    lWeb->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lWeb->setOpenExternalLinks(false);
    connect(lWeb, &QLabel::linkActivated, this, &TfrmRecord::lWebClick);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(AfStartButton1);
    bottom->addStretch(1);
    bottom->addWidget(lWeb);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(bottom);

    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    connect(Timer1, &QTimer::timeout, this, &TfrmRecord::Timer1Timer);
    TimerRecord = new QTimer(this);
    TimerRecord->setInterval(100);
    connect(TimerRecord, &QTimer::timeout, this, &TfrmRecord::TimerRecordTimer);

    setFixedSize(sizeHint().expandedTo(QSize(440, 0)));
    if (parentWidget()) {
        move(parentWidget()->geometry().center() - rect().center());
    }
}

void TfrmRecord::buildMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const QString& text, void (TfrmRecord::*handler)()) {
        QAction* action = PopupMenu1->addAction(text);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    miNew = item(QStringLiteral("&New..."), &TfrmRecord::miNewClick);
    miOpen = item(QStringLiteral("&Open..."), &TfrmRecord::miOpenClick);
    actSave = item(QStringLiteral("&Save"), &TfrmRecord::actSaveExecute);
    actSaveAs = item(QStringLiteral("Save &As..."), &TfrmRecord::actSaveAsExecute);
    actUndo = item(QStringLiteral("&Undo"), &TfrmRecord::actUndoExecute);
    PopupMenu1->addSeparator();
    miRecordOptionSet = item(QStringLiteral("&Recording Control..."), &TfrmRecord::miRecordOptionSetClick);
    PopupMenu1->addSeparator();
    miSaveMp3 = PopupMenu1->addAction(QStringLiteral("&MP3 format"));
    miSaveMp3->setCheckable(true);
    PopupMenu1->addSeparator();
    pmExit = item(QStringLiteral("&Exit"), &TfrmRecord::pmExitClick);
    // The availability rules run whenever the menu is about to show, and after each change.
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TfrmRecord::actSaveUpdate);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TfrmRecord::actUndoUpdate);
}

void TfrmRecord::FormCreate()
{
    miSaveMp3->setChecked(settings().SaveMp3);
    m_currentFile.clear();
    m_workingCopy = tarnwick::programFolder() + QStringLiteral("/MyTemp.wav");
    ColourScheme::apply(this, settings().SkinIndex);
    actSaveUpdate();
    actUndoUpdate();
}

QString TfrmRecord::unnamedFile() const
{
    return tarnwick::programFolder() + QStringLiteral("/MyNoName.wav");
}

bool TfrmRecord::isUnnamed() const
{
    return m_currentFile == unnamedFile();
}

void TfrmRecord::setButtons(ButtonSet set)
{
    using B = TMediaBar;
    switch (set) {
    case ButtonSet::None:
        MediaPlayer1->setEnabledButtons({});
        break;
    case ButtonSet::RecordOnly:
        MediaPlayer1->setEnabledButtons({B::btRecord});
        break;
    case ButtonSet::Idle:
        MediaPlayer1->setEnabledButtons({B::btPlay, B::btNext, B::btPrev, B::btRecord});
        break;
    case ButtonSet::AtEnd:
        MediaPlayer1->setEnabledButtons({B::btPlay, B::btPrev, B::btRecord});
        break;
    case ButtonSet::AtStart:
        MediaPlayer1->setEnabledButtons({B::btPlay, B::btNext, B::btRecord});
        break;
    case ButtonSet::Playing:
        MediaPlayer1->setEnabledButtons({B::btPause, B::btStop, B::btNext, B::btPrev});
        break;
    case ButtonSet::Recording:
        MediaPlayer1->setEnabledButtons({B::btStop});
        break;
    }
    actSaveUpdate();
    actUndoUpdate();
}

void TfrmRecord::setState(const QString& text)
{
    lbState->setText(text);
    actUndoUpdate();
}

std::int64_t TfrmRecord::sliderTime() const
{
    return m_device->length() * TrackBar1->value() / 400;
}

void TfrmRecord::suitempTrackBar1Change()
{
    if (m_device->mode() != WaveAudioDevice::Mode::NotReady && m_device->length() > 0) {
        lbPosition->setText(RecordTexts::duration(sliderTime()));
    }
}

void TfrmRecord::MediaPlayer1Click(TMediaBar::Button button)
{
    Prompt& prompt = Prompt::instance();
    switch (button) {
    case TMediaBar::btPlay: {
        if (TrackBar1->value() == 400) {
            TrackBar1->setValue(0);
        }
        m_playClock = sliderTime();
        setState(QStringLiteral("Playing..."));
        setButtons(ButtonSet::Playing);
        Timer1->start();
        if (!m_device->play(m_playClock)) {
            Timer1->stop();
            setButtons(ButtonSet::Idle);
            setState(idleText);
            prompt.error(m_device->errorString());
        }
        break;
    }
    case TMediaBar::btStop:
        stopReaction();
        m_device->stop();
        break;
    case TMediaBar::btNext:
        TrackBar1->setValue(400);
        setButtons(ButtonSet::AtEnd);
        Timer1->stop();
        setState(idleText);
        m_device->seekToEnd();
        break;
    case TMediaBar::btPrev:
        TrackBar1->setValue(0);
        setButtons(ButtonSet::AtStart);
        Timer1->stop();
        setState(idleText);
        m_device->seekToStart();
        break;
    case TMediaBar::btRecord: {
        std::optional<std::int64_t> from;
        if (Files::exists(m_workingCopy)) {
            from = sliderTime();
        }
        m_recordStart = now();
        m_lastMsPart = 0;
        if (!m_device->record(from)) {
            prompt.error(QStringLiteral("Error while initializing MCI device!"));
            return;
        }
        TimerRecord->start();
        setButtons(ButtonSet::Recording);
        setState(recordingText);
        m_modified = true;
        actUndoUpdate();
        break;
    }
    default:
        break;
    }
}

void TfrmRecord::stopReaction()
{
    if (m_stopping) {
        return;
    }
    m_stopping = true;
    TrackBar1->setValue(0);
    Timer1->stop();
    const bool recording = TimerRecord->isActive();
    if (recording) {
        if (m_lastMsPart > 100 && m_device->mode() == WaveAudioDevice::Mode::Recording) {
            // Recording goes on to the next whole second; nothing else may start meanwhile.
            MediaPlayer1->setEnabledButtons({});
            AfStartButton1->setEnabled(false);
            recordWait(1000 - m_lastMsPart);
            AfStartButton1->setEnabled(true);
        }
        showRecordClock();
        TimerRecord->stop();
    }
    setButtons(ButtonSet::Idle);
    setState(idleText);
    if (recording) {
        const bool saved = m_device->save();
        m_device->stop();
        TrackBar1->setValue(400);
        lbLength->setText(RecordTexts::duration(m_device->length()));
        setState(QStringLiteral("Record over!"));
        if (!saved) {
            Prompt::instance().error(QStringLiteral("Error while saving sound file!"));
        }
    }
    m_stopping = false;
    if (m_closeRequested) {
        m_closeRequested = false;
        closeLater();
    }
}

void TfrmRecord::showRecordClock()
{
    const std::int64_t elapsed = m_recordStart.msecsTo(now());
    panRecordTime->setText(RecordTexts::recordClock(elapsed));
    m_lastMsPart = static_cast<int>(std::max<std::int64_t>(elapsed, 0) % 1000);
}

void TfrmRecord::Timer1Timer()
{
    m_playClock += 500;
    const std::int64_t length = m_device->length();
    if (m_playClock < length) {
        TrackBar1->setValue(static_cast<int>(m_playClock * 400 / length));
        return;
    }
    TrackBar1->setValue(400);
    Timer1->stop();
    setButtons(ButtonSet::AtEnd);
    setState(idleText);
}

void TfrmRecord::TimerRecordTimer()
{
    showRecordClock();
    if (!m_stopping && m_device->mode() != WaveAudioDevice::Mode::Recording) {
        recordingLost();
    }
}

void TfrmRecord::recordingLost()
{
    // The device already kept what it captured; this stops as the user's Stop would.
    const QString reason = m_device->errorString();
    stopReaction();
    Prompt::instance().error(QStringLiteral("Recording stopped: ") + reason);
}

void TfrmRecord::actSaveUpdate()
{
    const bool enabled = MediaPlayer1->isButtonEnabled(TMediaBar::btRecord);
    actSave->setEnabled(enabled);
    actSaveAs->setEnabled(enabled);
}

void TfrmRecord::actUndoUpdate()
{
    actUndo->setEnabled(m_modified && lbState->text() != recordingText && !isUnnamed());
}

void TfrmRecord::miRecordOptionSetClick()
{
    if (!openMixer()) {
        Prompt::instance().information(
            QStringLiteral("No mixer was found to set the recording level: please install pavucontrol or alsamixer."));
    }
}

void TfrmRecord::pmExitClick()
{
    close();
}

void TfrmRecord::lWebClick()
{
    Shell::openUrl(webAddress);
}

void TfrmRecord::reject()
{
    // Escape closes through the same steps as the window's close box.
    close();
}

void TfrmRecord::closeEvent(QCloseEvent* event)
{
    if (m_stopping) {
        // A recording is being finished; close once that is done.
        m_closeRequested = true;
        event->ignore();
        return;
    }
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    setResult(QDialog::Rejected);
    event->accept();
}
