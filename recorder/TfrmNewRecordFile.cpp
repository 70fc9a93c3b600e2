#include "recorder/TfrmNewRecordFile.h"

#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The labels end in a full-width colon.
const QString colon = QStringLiteral("\uFF1A");

} // namespace

TfrmNewRecordFile::TfrmNewRecordFile(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmNewRecordFile"));
    setWindowTitle(QStringLiteral("New sound file"));
    auto* group = new QGroupBox(QStringLiteral("Record Property"), this);
    auto* grid = new QGridLayout(group);

    cbBitSamples = new QComboBox(group);
    cbBitSamples->setObjectName(QStringLiteral("cbBitSamples"));
    cbBitSamples->addItems({QStringLiteral("  8000"), QStringLiteral("11025"), QStringLiteral("12000"),
                            QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
                            QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")});
    cbBitSamples->setCurrentIndex(7);
    auto* rateLabel = new QLabel(QStringLiteral("Bitrate") + colon, group);
    rateLabel->setBuddy(cbBitSamples);
    grid->addWidget(rateLabel, 0, 0);
    grid->addWidget(cbBitSamples, 0, 1, 1, 2);

    auto pair = [&](int row, const QString& caption, QRadioButton*& first, const QString& firstText,
                    QRadioButton*& second, const QString& secondText) {
        grid->addWidget(new QLabel(caption + colon, group), row, 0);
        first = new QRadioButton(firstText, group);
        second = new QRadioButton(secondText, group);
        auto* buttons = new QButtonGroup(group);
        buttons->addButton(first);
        buttons->addButton(second);
        second->setChecked(true);
        grid->addWidget(first, row, 1);
        grid->addWidget(second, row, 2);
    };
    pair(1, QStringLiteral("Data"), rbBitNumber, QStringLiteral("8bit"), RadioButton2, QStringLiteral("16bit"));
    pair(2, QStringLiteral("Mode"), rbChannelNumber, QStringLiteral("Mono"), RadioButton4, QStringLiteral("Stereo"));
    rbBitNumber->setObjectName(QStringLiteral("rbBitNumber"));
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    rbChannelNumber->setObjectName(QStringLiteral("rbChannelNumber"));
    RadioButton4->setObjectName(QStringLiteral("RadioButton4"));

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    connect(btOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    FormCreate();
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
    if (owner) {
        move(owner->geometry().center() - rect().center());
    }
}

void TfrmNewRecordFile::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

PcmFormat TfrmNewRecordFile::chosenFormat() const
{
    PcmFormat format;
    format.channels = rbChannelNumber->isChecked() ? 1 : 2;
    format.bitsPerSample = rbBitNumber->isChecked() ? 8 : 16;
    format.sampleRate = cbBitSamples->itemText(cbBitSamples->currentIndex()).trimmed().toInt();
    return format;
}
