#include "tools/TfrmOggPlayer.h"

#include "audio/TAudioOut.h"
#include "audio/TSoundIndicator.h"
#include "audio/TStereoBalance.h"
#include "audio/TVorbisIn.h"
#include "common/Rounding.h"
#include "platform/Prompt.h"
#include "platform/WaveAudio.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "skins/SchemePictures.h"

#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kNotValid = QStringLiteral("Ogg file is not valid.");
const QString kNoDevice = QStringLiteral("No sound output device is available.");
constexpr int kPictureWidth = 124;
constexpr int kPictureHeight = 48;

QToolButton* pictureButton(QWidget* parent, SchemePictures::Picture picture, const QString& name)
{
    auto* button = new QToolButton(parent);
    button->setIcon(SchemePictures::icon(picture, button));
    button->setIconSize(QSize(20, 20));
    button->setFixedSize(32, 28);
    // The button shows only a picture: screen readers need its name.
    button->setAccessibleName(name);
    return button;
}

} // namespace

TfrmOggPlayer::TfrmOggPlayer(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TfrmOggPlayer"));
    setWindowTitle(QStringLiteral("Ogg Player"));

    m_vorbisIn1 = std::make_unique<TVorbisIn>();
    m_vorbisIn1->SetStartSample(0);
    m_vorbisIn1->SetEndSample(-1);
    m_vorbisIn1->SetLoop(false);
    m_soundIndicator1 = std::make_unique<TSoundIndicator>();
    m_soundIndicator1->SetInput(m_vorbisIn1.get());
    m_stereoBalance1 = std::make_unique<TStereoBalance>();
    m_stereoBalance1->SetInput(m_soundIndicator1.get());
    m_stereoBalance1->SetBalance(0.5f);
    m_audioOut1 = std::make_unique<TAudioOut>();
    m_audioOut1->SetInput(m_stereoBalance1.get());
    m_audioOut1->SetBaseChannel(0);
    m_audioOut1->SetVolume(255);
    m_audioOut1->SetSuspendWhenIdle(true);
    // These come from the output's worker: hand them to the window's thread. A report
    // that arrives after the window has gone is dropped with it.
    m_audioOut1->OnProgress = [this](TACSOutput*) {
        QMetaObject::invokeMethod(
            this, [this] { AudioOut1Progress(); }, Qt::QueuedConnection);
    };
    m_audioOut1->OnDone = [this](TACSOutput*) {
        QMetaObject::invokeMethod(
            this, [this] { AudioOut1Done(); }, Qt::QueuedConnection);
    };
    m_audioOut1->OnThreadException = [this](TACSOutput*, const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        QMetaObject::invokeMethod(
            this, [this, message] { AudioOut1Failed(message); }, Qt::QueuedConnection);
    };

    buildWindow();
    FormCreate();
    centreOn(owner);
}

TfrmOggPlayer::~TfrmOggPlayer()
{
    FormClose();
}

void TfrmOggPlayer::buildWindow()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAutoFillBackground(true);
    QPalette panelColours = Panel1->palette();
    panelColours.setColor(QPalette::Window, QColor(0, 0, 96));
    panelColours.setColor(QPalette::WindowText, QColor(255, 255, 160));
    Panel1->setPalette(panelColours);
    Panel1->setToolTip(QStringLiteral("Press 'Play' button to open and play ogg file."));

    lFileName = new QLabel(QStringLiteral("OGG"), Panel1);
    lSampleRate = new QLabel(QStringLiteral("bps"), Panel1);
    lSampleRate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lCurrentTime = new QLabel(QStringLiteral("0:00"), Panel1);
    lCurrentTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1 = new QLabel(QStringLiteral("/"), Panel1);
    lTotalTime = new QLabel(QStringLiteral("0:00"), Panel1);
    QFont big = lCurrentTime->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    for (QLabel* label : {lCurrentTime, Label1, lTotalTime}) {
        label->setFont(big);
    }
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(lFileName, 1);
    nameRow->addWidget(lSampleRate);
    auto* timeRow = new QHBoxLayout;
    timeRow->addStretch(1);
    timeRow->addWidget(lCurrentTime);
    timeRow->addWidget(Label1);
    timeRow->addWidget(lTotalTime);
    auto* panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(8, 4, 8, 4);
    panelLayout->addLayout(nameRow);
    panelLayout->addLayout(timeRow);

    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ScrollBar1->setRange(0, 100);
    ScrollBar1->setPageStep(10);
    ScrollBar1->setEnabled(false);
    ScrollBar1->setAccessibleName(QStringLiteral("Position"));
    // Seek once the user lets go of the thumb, or at once for a click on the bar or an
    // arrow; while the thumb is dragged the bar only shows where it would go.
    connect(ScrollBar1, &QScrollBar::sliderReleased, this, [this] { ScrollBar1Scroll(ScrollBar1->sliderPosition()); });
    connect(ScrollBar1, &QScrollBar::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction) {
            ScrollBar1Scroll(ScrollBar1->sliderPosition());
        }
    });

    BitBtn1 = pictureButton(this, SchemePictures::Picture::Play, QStringLiteral("Play"));
    BitBtn1->setToolTip(QStringLiteral("Press to open and play ogg file."));
    BitBtn2 = pictureButton(this, SchemePictures::Picture::Pause, QStringLiteral("Pause"));
    BitBtn3 = pictureButton(this, SchemePictures::Picture::Stop, QStringLiteral("Stop"));
    connect(BitBtn1, &QToolButton::clicked, this, &TfrmOggPlayer::BitBtn1Click);
    connect(BitBtn2, &QToolButton::clicked, this, &TfrmOggPlayer::BitBtn2Click);
    connect(BitBtn3, &QToolButton::clicked, this, &TfrmOggPlayer::BitBtn3Click);

    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setRange(0, 10);
    TrackBar1->setValue(5);
    TrackBar1->setPageStep(1);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setFixedWidth(90);
    TrackBar1->setAccessibleName(QStringLiteral("Balance"));
    connect(TrackBar1, &QSlider::valueChanged, this, &TfrmOggPlayer::TrackBar1Change);

    imagePanel = new QFrame(this);
    imagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    imagePanel->setLineWidth(1);
    Image1 = new QLabel(imagePanel);
    Image1->setFixedSize(kPictureWidth, kPictureHeight);
    Image1->setAccessibleName(QStringLiteral("Level display"));
    auto* imageLayout = new QHBoxLayout(imagePanel);
    imageLayout->setContentsMargins(1, 1, 1, 1);
    imageLayout->addWidget(Image1);

    auto* controls = new QHBoxLayout;
    controls->addWidget(BitBtn1);
    controls->addWidget(BitBtn2);
    controls->addWidget(BitBtn3);
    controls->addSpacing(6);
    controls->addWidget(TrackBar1);
    controls->addStretch(1);
    controls->addWidget(imagePanel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(Panel1);
    layout->addWidget(ScrollBar1);
    layout->addLayout(controls);

    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &TfrmOggPlayer::Timer1Timer);
    Timer2 = new QTimer(this);
    Timer2->setInterval(500);
    connect(Timer2, &QTimer::timeout, this, &TfrmOggPlayer::Timer2Timer);

    setFixedSize(QSize(330, 150).expandedTo(sizeHint()));
}

void TfrmOggPlayer::centreOn(QWidget* owner)
{
    if (!owner) {
        return;
    }
    const QPoint centre = owner->geometry().center();
    move(centre.x() - width() / 2, centre.y() - height() / 2);
}

void TfrmOggPlayer::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
    m_picture = QImage(Image1->width(), Image1->height(), QImage::Format_RGB32);
    m_picture.fill(palette().color(QPalette::Window));
    showPicture();
}

void TfrmOggPlayer::showPicture()
{
    Image1->setPixmap(QPixmap::fromImage(m_picture));
}

QString TfrmOggPlayer::durationText(std::int32_t seconds)
{
    const std::int32_t rest = seconds % 60;
    const QString secondsText = rest < 10 ? QStringLiteral("0") + QString::number(rest) : QString::number(rest);
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(secondsText);
}

QString TfrmOggPlayer::clockText(std::int32_t milliseconds)
{
    const std::int32_t seconds = milliseconds / 1000 % 60;
    return QString::number(milliseconds / 60000) + QStringLiteral(":") +
           (seconds <= 9 ? QStringLiteral("0") : QString()) + QString::number(seconds);
}

void TfrmOggPlayer::BitBtn1Click()
{
    if (WaveAudio::instance().outputDeviceCount() == 0) {
        // Nothing could be heard: say so before the user picks a file.
        Prompt::instance().error(kNoDevice);
        return;
    }
    try {
        Prompt::FileDialog dialog;
        dialog.filter = QStringLiteral("Sound file(*.ogg)|*.ogg| Any file(*.*)|*.*");
        dialog.fileName = QString();
        const QStringList chosen = Prompt::instance().openFiles(dialog);
        if (chosen.isEmpty()) {
            return;
        }
        const QString path = chosen.first();
        m_vorbisIn1->SetFileName(path);
        if (path.right(4).toUpper() != QStringLiteral(".OGG") || !m_vorbisIn1->Valid()) {
            Prompt::instance().message({QString(), kNotValid, Prompt::Icon::Error, Prompt::Buttons::Ok});
            return;
        }
        const QString name = QFileInfo(path).fileName();
        const std::int32_t rate = m_vorbisIn1->SampleRate();
        m_durationSeconds = m_vorbisIn1->DurationSeconds();
        BitBtn1->setEnabled(false);
        lFileName->setText(name.left(name.size() - 4));
        m_audioOut1->Start();
        Timer1->start();
        Timer2->start();
        m_playClock = 0;
        lCurrentTime->setText(clockText(0));
        lSampleRate->setText(QString::number(rate) + QStringLiteral(" bps"));
        lTotalTime->setText(durationText(m_durationSeconds));
        ScrollBar1->setValue(0);
        ScrollBar1->setEnabled(true);
    } catch (...) {
        // Opening is quiet about anything but an invalid file; the window stays usable.
        if (m_audioOut1->OutputStatus() == osIdle) {
            BitBtn1->setEnabled(true);
        }
    }
}

void TfrmOggPlayer::AudioOut1Progress()
{
    // Leave the thumb alone while the user drags it.
    if (!ScrollBar1->isSliderDown()) {
        ScrollBar1->setValue(m_audioOut1->Progress());
    }
}

void TfrmOggPlayer::AudioOut1Done()
{
    BitBtn1->setEnabled(true);
    ScrollBar1->setEnabled(false);
    Timer2->stop();
    emit playbackEnded();
}

void TfrmOggPlayer::AudioOut1Failed(const QString& message)
{
    // The sound device failed to open or went away: back to idle, and say why.
    BitBtn1->setEnabled(true);
    ScrollBar1->setEnabled(false);
    Timer2->stop();
    Prompt::instance().error(message);
    emit playbackEnded();
}

void TfrmOggPlayer::ScrollBar1Scroll(int position)
{
    if (m_audioOut1->OutputStatus() == osIdle) {
        return;
    }
    m_vorbisIn1->Jump(position - m_audioOut1->Progress());
    m_playClock = m_durationSeconds * position * 10;
}

void TfrmOggPlayer::BitBtn2Click()
{
    switch (m_audioOut1->OutputStatus()) {
    case osBusy:
        m_audioOut1->Pause();
        Timer2->stop();
        break;
    case osPaused:
        m_audioOut1->Resume();
        Timer2->start();
        break;
    case osIdle:
        // Nothing plays: a clock started now would run without sound.
        break;
    }
}

void TfrmOggPlayer::BitBtn3Click()
{
    if (m_audioOut1->OutputStatus() == osPaused) {
        m_audioOut1->Resume();
    }
    m_audioOut1->Stop();
    Timer2->stop();
}

void TfrmOggPlayer::TrackBar1Change(int position)
{
    m_stereoBalance1->SetBalance(float(position) / 10.0f);
}

void TfrmOggPlayer::Timer2Timer()
{
    if (m_playClock >= m_durationSeconds * 1000) {
        return;
    }
    m_playClock += 500;
    lCurrentTime->setText(clockText(m_playClock));
}

void TfrmOggPlayer::Timer1Timer()
{
    double levels[TSoundIndicator::bands];
    m_soundIndicator1->ReadLevels(levels);
    drawLevels(levels);
}

void TfrmOggPlayer::drawLevels(const double* levels)
{
    m_picture.fill(Qt::black);
    QPainter painter(&m_picture);
    QPen pen(QColor(0, 128, 0));
    pen.setWidth(2);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    const int height = m_picture.height();
    for (int i = 0; i < TSoundIndicator::bands; ++i) {
        const int top = height - int(tarnwick::roundHalfEven(levels[i]));
        painter.drawLine(4 * i, height, 4 * i, top);
    }
    painter.end();
    showPicture();
}

void TfrmOggPlayer::FormClose()
{
    if (m_closed) {
        return;
    }
    m_closed = true;
    Timer1->stop();
    Timer2->stop();
    if (m_audioOut1->OutputStatus() == osPaused) {
        m_audioOut1->Resume();
    }
    m_audioOut1->Stop();
    // The output ends after the few blocks it has queued have played (under half a second).
    m_audioOut1->waitForIdle();
}

void TfrmOggPlayer::done(int result)
{
    FormClose();
    QDialog::done(result);
}
