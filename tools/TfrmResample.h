#pragma once

#include "audio/TWavType.h"

#include <QDialog>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class TMSConverter;
class TRateConverter;
class TSampleConverter;
class TWaveIn;
class TWaveOut;

// "WAV to WAV": converts one WAV file into another with a chosen sample rate, channel
// count, sample size and encoding. The window does no audio work: it chains the reader,
// the converters the input's own format calls for and the writer, starts the writer and
// follows it. The result is written beside the chosen output under a temporary name and
// renamed over it when complete, so an output is whole or absent, and a file may be
// converted onto itself.
class TfrmResample : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmResample(QWidget* parent = nullptr);
    ~TfrmResample() override;

    void FormCreate();
    void suitempbInputFileClick();
    void suitempbOutputFileClick();
    void suitempbConvertClick();
    void WaveOut1Progress();
    void WaveOut1Done();

    // The text shown for the reader's kind of file.
    static QString encodingName(TWavType type);
    // A decimal integer in 32 bits with an optional sign; leading blanks are allowed.
    static std::optional<int> integerOfText(const QString& text);

    bool converting() const { return m_converting; }
    // Object names of the components the writer reads through, from the writer's input
    // down to the reader, as the last conversion chained them.
    QStringList chainNames() const;

    TWaveIn* waveIn() const { return WaveIn1.get(); }
    TWaveOut* waveOut() const { return WaveOut1.get(); }

    QProgressBar* ProgressBar1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* lInputFileName = nullptr;
    QLabel* Label6 = nullptr;  // channels
    QLabel* Label7 = nullptr;  // sample rate
    QLabel* Label8 = nullptr;  // bits per sample
    QLabel* Label15 = nullptr; // encoding
    QGroupBox* GroupBox2 = nullptr;
    QLabel* lOutputFileName = nullptr;
    QSpinBox* SpinEdit1 = nullptr;     // channels
    QComboBox* cbBitSamples = nullptr; // sample rate
    QSpinBox* SpinEdit3 = nullptr;     // bits per sample
    QComboBox* ComboBox1 = nullptr;    // encoding
    QPushButton* bInputFile = nullptr;
    QPushButton* bOutputFile = nullptr;
    QPushButton* bConvert = nullptr;
    QPushButton* Button4 = nullptr;

signals:
    // The writer has finished (or failed) and the window is idle again.
    void conversionEnded();

private:
    void buildWindow();
    void buildComponents();
    void WaveOut1Failed(const QString& message);
    // Back to idle after a conversion; `keep` renames the finished file over the target.
    void endConversion(bool keep);
    QString fileDialogPath(bool save);

    std::unique_ptr<TWaveIn> WaveIn1;
    std::unique_ptr<TSampleConverter> SampleConverter1;
    std::unique_ptr<TMSConverter> MSConverter1;
    std::unique_ptr<TRateConverter> RateConverter1;
    std::unique_ptr<TSampleConverter> SampleConverter2;
    std::unique_ptr<TWaveOut> WaveOut1;

    bool m_converting = false;
    QString m_target;      // the chosen output while the writer fills a temporary file
    QString m_partialFile; // that temporary file
    std::atomic<bool> m_progressPending{false};
};
