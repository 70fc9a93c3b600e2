#pragma once

#include "platform/PcmWave.h"

#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

// "New sound file": asks for the sample rate, sample size and channel count of a new
// recording.
class TfrmNewRecordFile : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmNewRecordFile(QWidget* owner = nullptr);

    void FormCreate();
    // The format the controls describe: the rate is the selected entry read as a whole
    // number (its leading blanks allowed).
    PcmFormat chosenFormat() const;

    QComboBox* cbBitSamples = nullptr;
    QRadioButton* rbBitNumber = nullptr;     // "8bit"
    QRadioButton* RadioButton2 = nullptr;    // "16bit"
    QRadioButton* rbChannelNumber = nullptr; // "Mono"
    QRadioButton* RadioButton4 = nullptr;    // "Stereo"
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
};
