#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>

class QLabel;
class QFrame;
class QScrollBar;
class QSlider;
class QTimer;
class QToolButton;
class TAudioOut;
class TSoundIndicator;
class TStereoBalance;
class TVorbisIn;

// Plays one Ogg Vorbis file on the sound card: decoder, level meter, balance and sound
// output in one chain, with a position bar, pause, stop, a running clock and a 32-bar
// level display. The output's worker reports progress and the end; those reports are
// handed to this window's thread before they touch a control.
class TfrmOggPlayer : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmOggPlayer(QWidget* owner = nullptr);
    ~TfrmOggPlayer() override;

    // Window handlers. Closing the window in any way (its close box, Esc) runs FormClose.
    void FormCreate();
    void FormClose();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void ScrollBar1Scroll(int position);
    void TrackBar1Change(int position);
    void Timer1Timer();
    void Timer2Timer();
    void AudioOut1Progress();
    void AudioOut1Done();

    // Draws bar i of the level display `levels[i]` pixels high.
    void drawLevels(const double* levels);

    // Minutes and seconds as the duration label shows them: "2:05".
    static QString durationText(std::int32_t seconds);
    // The play clock as its label shows it: "1:01".
    static QString clockText(std::int32_t milliseconds);

    std::int32_t playClock() const { return m_playClock; }

    // The parts, for tests.
    TVorbisIn* VorbisIn1() const { return m_vorbisIn1.get(); }
    TSoundIndicator* SoundIndicator1() const { return m_soundIndicator1.get(); }
    TStereoBalance* StereoBalance1() const { return m_stereoBalance1.get(); }
    TAudioOut* AudioOut1() const { return m_audioOut1.get(); }
    QLabel* fileNameLabel() const { return lFileName; }
    QLabel* sampleRateLabel() const { return lSampleRate; }
    QLabel* currentTimeLabel() const { return lCurrentTime; }
    QLabel* totalTimeLabel() const { return lTotalTime; }
    QScrollBar* positionBar() const { return ScrollBar1; }
    QToolButton* openButton() const { return BitBtn1; }
    QToolButton* pauseButton() const { return BitBtn2; }
    QToolButton* stopButton() const { return BitBtn3; }
    QSlider* balanceSlider() const { return TrackBar1; }
    QTimer* levelTimer() const { return Timer1; }
    QTimer* clockTimer() const { return Timer2; }
    const QImage& levelPicture() const { return m_picture; }

signals:
    // Emitted on the window's thread once the window has dealt with the end of playback.
    void playbackEnded();

protected:
    void done(int result) override;

private:
    void buildWindow();
    void centreOn(QWidget* owner);
    void AudioOut1Failed(const QString& message);
    void showPicture();

    std::unique_ptr<TVorbisIn> m_vorbisIn1;
    std::unique_ptr<TSoundIndicator> m_soundIndicator1;
    std::unique_ptr<TStereoBalance> m_stereoBalance1;
    std::unique_ptr<TAudioOut> m_audioOut1;

    QFrame* Panel1 = nullptr;
    QLabel* lFileName = nullptr;
    QLabel* lSampleRate = nullptr;
    QLabel* lCurrentTime = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lTotalTime = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    QToolButton* BitBtn1 = nullptr;
    QToolButton* BitBtn2 = nullptr;
    QToolButton* BitBtn3 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QFrame* imagePanel = nullptr;
    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

    QImage m_picture;
    std::int32_t m_playClock = 0;
    // Read from the file before playing starts, so the window never asks the decoder
    // while the output's worker reads from it.
    std::int32_t m_durationSeconds = 0;
    bool m_closed = false;
};
