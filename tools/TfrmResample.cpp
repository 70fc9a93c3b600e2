#include "tools/TfrmResample.h"

#include "audio/TMSConverter.h"
#include "audio/TRateConverter.h"
#include "audio/TSampleConverter.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <limits>

namespace {

const QString kWaveFilter = QStringLiteral("Wave Files|*.wav");
const QString kRawPcm = QStringLiteral("RAW PCM");
const QString kImaAdpcm = QStringLiteral("DVI IMA ADPCM");

QLabel* captionLabel(const QString& text, QWidget* parent, QWidget* buddy = nullptr)
{
    auto* label = new QLabel(text, parent);
    if (buddy != nullptr) {
        label->setBuddy(buddy);
    }
    return label;
}

QLabel* valueLabel(const QString& name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setMinimumWidth(140);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QSpinBox* arrowsOnlySpin(const QString& name, int low, int high, int step, int value, QWidget* parent)
{
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(low, high);
    spin->setSingleStep(step);
    spin->setValue(value);
    // Only the arrows change it, so no value between the steps (12 bits) can be typed.
    if (auto* text = spin->findChild<QLineEdit*>()) {
        text->setReadOnly(true);
    }
    return spin;
}

void showFile(QLabel* label, const QString& path)
{
    label->setText(QFileInfo(path).fileName());
    label->setToolTip(path);
}

} // namespace

TfrmResample::TfrmResample(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmResample"));
    setWindowTitle(QStringLiteral("WAV to WAV"));
    buildComponents();
    buildWindow();
    FormCreate();
}

TfrmResample::~TfrmResample()
{
    // The writer goes first: destroying it ends its worker, which may still be reading
    // through the converters and the reader.
    const bool wasConverting = m_converting;
    WaveOut1.reset();
    if (wasConverting && !m_partialFile.isEmpty()) {
        Files::remove(m_partialFile);
    }
    SampleConverter2.reset();
    RateConverter1.reset();
    MSConverter1.reset();
    SampleConverter1.reset();
    WaveIn1.reset();
}

void TfrmResample::buildComponents()
{
    WaveIn1 = std::make_unique<TWaveIn>();
    WaveIn1->setObjectName(QStringLiteral("WaveIn1"));
    WaveIn1->SetStartSample(0);
    WaveIn1->SetEndSample(-1);
    WaveIn1->SetLoop(false);
    SampleConverter1 = std::make_unique<TSampleConverter>();
    SampleConverter1->setObjectName(QStringLiteral("SampleConverter1"));
    MSConverter1 = std::make_unique<TMSConverter>();
    MSConverter1->setObjectName(QStringLiteral("MSConverter1"));
    MSConverter1->SetMode(msmMonoToBoth);
    RateConverter1 = std::make_unique<TRateConverter>();
    RateConverter1->setObjectName(QStringLiteral("RateConverter1"));
    RateConverter1->SetFilterWindow(fwBlackman);
    RateConverter1->SetKernelWidth(30);
    RateConverter1->SetOutSampleRate(22050);
    SampleConverter2 = std::make_unique<TSampleConverter>();
    SampleConverter2->setObjectName(QStringLiteral("SampleConverter2"));
    WaveOut1 = std::make_unique<TWaveOut>();
    WaveOut1->setObjectName(QStringLiteral("WaveOut1"));
    WaveOut1->SetFileMode(foRewrite);
    WaveOut1->SetWavType(wtPCM);
    WaveOut1->SetBlockSize(512);
    WaveOut1->SetSuspendWhenIdle(true);

    // These run on the writer's worker thread; the window's part is handed to its own
    // thread. Progress is coalesced: one update waits at a time.
    WaveOut1->OnProgress = [this](TACSOutput*) {
        if (!m_progressPending.exchange(true)) {
            QMetaObject::invokeMethod(this, &TfrmResample::WaveOut1Progress, Qt::QueuedConnection);
        }
    };
    WaveOut1->OnDone = [this](TACSOutput*) {
        QMetaObject::invokeMethod(this, &TfrmResample::WaveOut1Done, Qt::QueuedConnection);
    };
    WaveOut1->OnThreadException = [this](TACSOutput*, const std::exception& error) {
        const QString message = QString::fromUtf8(error.what());
        QMetaObject::invokeMethod(
            this, [this, message] { WaveOut1Failed(message); }, Qt::QueuedConnection);
    };
}

void TfrmResample::buildWindow()
{
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setAccessibleName(QStringLiteral("Conversion progress"));

    GroupBox1 = new QGroupBox(QStringLiteral("Input File Parameters"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    lInputFileName = valueLabel(QStringLiteral("lInputFileName"), GroupBox1);
    Label6 = valueLabel(QStringLiteral("Label6"), GroupBox1);
    Label7 = valueLabel(QStringLiteral("Label7"), GroupBox1);
    Label8 = valueLabel(QStringLiteral("Label8"), GroupBox1);
    Label15 = valueLabel(QStringLiteral("Label15"), GroupBox1);
    auto* input = new QGridLayout(GroupBox1);
    const QList<std::pair<QString, QLabel*>> inputRows{{QStringLiteral("File Name"), lInputFileName},
                                                       {QStringLiteral("Channels:"), Label6},
                                                       {QStringLiteral("Sample Rate:"), Label7},
                                                       {QStringLiteral("Bits Per Sample:"), Label8},
                                                       {QStringLiteral("Encoding"), Label15}};
    for (int r = 0; r < inputRows.size(); ++r) {
        input->addWidget(captionLabel(inputRows[r].first, GroupBox1), r, 0);
        input->addWidget(inputRows[r].second, r, 1);
    }
    input->setColumnStretch(1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral(" Output File Parameters "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    lOutputFileName = valueLabel(QStringLiteral("lOutputFileName"), GroupBox2);
    SpinEdit1 = arrowsOnlySpin(QStringLiteral("SpinEdit1"), 1, 2, 1, 1, GroupBox2);
    cbBitSamples = new QComboBox(GroupBox2);
    cbBitSamples->setObjectName(QStringLiteral("cbBitSamples"));
    cbBitSamples->setEditable(true);
    cbBitSamples->setInsertPolicy(QComboBox::NoInsert);
    cbBitSamples->addItems({QStringLiteral("  8000"), QStringLiteral("11025"), QStringLiteral("12000"),
                            QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
                            QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000")});
    cbBitSamples->setCurrentIndex(cbBitSamples->findText(QStringLiteral("44100")));
    SpinEdit3 = arrowsOnlySpin(QStringLiteral("SpinEdit3"), 8, 16, 8, 16, GroupBox2);
    ComboBox1 = new QComboBox(GroupBox2);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({kRawPcm, kImaAdpcm});
    ComboBox1->setCurrentIndex(0);
    auto* output = new QGridLayout(GroupBox2);
    output->addWidget(captionLabel(QStringLiteral("File Name"), GroupBox2), 0, 0);
    output->addWidget(lOutputFileName, 0, 1);
    const QList<std::pair<QString, QWidget*>> outputRows{{QStringLiteral("Channels:"), SpinEdit1},
                                                         {QStringLiteral("Sample Rate:"), cbBitSamples},
                                                         {QStringLiteral("Bits Per Sample:"), SpinEdit3},
                                                         {QStringLiteral("Encoding"), ComboBox1}};
    for (int r = 0; r < outputRows.size(); ++r) {
        output->addWidget(captionLabel(outputRows[r].first, GroupBox2, outputRows[r].second), r + 1, 0);
        output->addWidget(outputRows[r].second, r + 1, 1);
    }
    output->setColumnStretch(1, 1);

    bInputFile = new QPushButton(QStringLiteral("Input File..."), this);
    bInputFile->setObjectName(QStringLiteral("bInputFile"));
    bOutputFile = new QPushButton(QStringLiteral("Output File..."), this);
    bOutputFile->setObjectName(QStringLiteral("bOutputFile"));
    bConvert = new QPushButton(QStringLiteral("Convert"), this);
    bConvert->setObjectName(QStringLiteral("bConvert"));
    Button4 = new QPushButton(QStringLiteral("Close"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    for (QPushButton* button : {bInputFile, bOutputFile, bConvert, Button4}) {
        button->setAutoDefault(false);
    }

    auto* groups = new QHBoxLayout;
    groups->addWidget(GroupBox1);
    groups->addWidget(GroupBox2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bInputFile);
    buttons->addWidget(bOutputFile);
    buttons->addStretch();
    buttons->addWidget(bConvert);
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ProgressBar1);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bInputFile, &QPushButton::clicked, this, &TfrmResample::suitempbInputFileClick);
    connect(bOutputFile, &QPushButton::clicked, this, &TfrmResample::suitempbOutputFileClick);
    connect(bConvert, &QPushButton::clicked, this, &TfrmResample::suitempbConvertClick);
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmResample::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

QString TfrmResample::encodingName(TWavType type)
{
    switch (type) {
    case wtPCM:
        return QStringLiteral("Raw PCM");
    case wtDVIADPCM:
        return QStringLiteral("DVI IMA ADPCM");
    case wtMSADPCM:
        return QStringLiteral("Microsoft ADPCM");
    case wtACM:
        return QStringLiteral("ACM");
    case wtUnsupported:
        break;
    }
    return QStringLiteral("Unsupported");
}

std::optional<int> TfrmResample::integerOfText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' ')) {
        ++i;
    }
    bool ok = false;
    const QStringView rest = QStringView(text).mid(i);
    // Digits with an optional sign only: toLongLong alone would take "0x10" or blanks after.
    for (qsizetype k = 0; k < rest.size(); ++k) {
        const QChar c = rest.at(k);
        const bool sign = k == 0 && (c == QLatin1Char('+') || c == QLatin1Char('-'));
        if (!sign && (c < QLatin1Char('0') || c > QLatin1Char('9'))) {
            return std::nullopt;
        }
    }
    const qlonglong value = rest.toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

QString TfrmResample::fileDialogPath(bool save)
{
    Prompt::FileDialog dialog;
    dialog.title = save ? QStringLiteral("Save As") : QStringLiteral("Open");
    dialog.filter = kWaveFilter;
    dialog.defaultExtension = QStringLiteral("wav");
    if (save) {
        return Prompt::instance().saveFile(dialog);
    }
    const QStringList chosen = Prompt::instance().openFiles(dialog);
    return chosen.isEmpty() ? QString() : chosen.first();
}

void TfrmResample::suitempbInputFileClick()
{
    const QString path = fileDialogPath(false);
    if (path.isEmpty() || m_converting) {
        return;
    }
    WaveIn1->SetFileName(path);
    if (!WaveIn1->Valid()) {
        return;
    }
    showFile(lInputFileName, path);
    Label6->setText(QString::number(WaveIn1->ChannelCount()));
    Label7->setText(QString::number(WaveIn1->SampleRate()));
    Label8->setText(QString::number(WaveIn1->SampleBits()));
    Label15->setText(encodingName(WaveIn1->WavType()));
    ProgressBar1->setValue(0);
}

void TfrmResample::suitempbOutputFileClick()
{
    const QString path = fileDialogPath(true);
    if (path.isEmpty() || m_converting) {
        return;
    }
    WaveOut1->SetFileName(path);
    showFile(lOutputFileName, path);
}

void TfrmResample::suitempbConvertClick()
{
    if (m_converting) {
        return;
    }
    const int channels = SpinEdit1->value();
    const QString rateText = cbBitSamples->currentText();
    const std::optional<int> rate = integerOfText(rateText);
    if (!rate) {
        Prompt::instance().error(QStringLiteral("'%1' is not a valid integer value").arg(rateText));
        return;
    }
    const int bits = SpinEdit3->value();
    if (!WaveIn1->Valid() || WaveOut1->FileName().isEmpty()) {
        return;
    }
    if (*rate <= 0) {
        // The rate converter would keep its previous rate and write a file at a rate that
        // nobody asked for.
        Prompt::instance().error(QStringLiteral("%1 is not a valid sample rate.").arg(*rate));
        return;
    }

    TACSInput* s = WaveIn1.get();
    if (WaveIn1->SampleBits() == 8) {
        SampleConverter1->SetInput(s);
        s = SampleConverter1.get();
    }
    if (WaveIn1->ChannelCount() != channels) {
        MSConverter1->SetInput(s);
        s = MSConverter1.get();
    }
    if (WaveIn1->SampleRate() != *rate) {
        RateConverter1->SetInput(s);
        RateConverter1->SetOutSampleRate(*rate);
        s = RateConverter1.get();
    }
    if (bits == 8) {
        SampleConverter2->SetInput(s);
        s = SampleConverter2.get();
    }
    WaveOut1->SetInput(s);
    WaveOut1->SetWavType(ComboBox1->currentText() == kImaAdpcm ? wtDVIADPCM : wtPCM);

    // The writer fills a temporary file beside the target; only a finished conversion
    // replaces the target (which may be the input itself).
    m_target = WaveOut1->FileName();
    const QFileInfo target(m_target);
    QTemporaryFile partial(
        target.absoluteDir().filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX.part")));
    partial.setAutoRemove(false);
    if (!partial.open()) {
        Prompt::instance().error(QStringLiteral("Cannot open file \"%1\".").arg(m_target));
        return;
    }
    m_partialFile = partial.fileName();
    partial.close();
    WaveOut1->SetFileName(m_partialFile);

    m_converting = true;
    bConvert->setEnabled(false);
    m_progressPending = false;
    try {
        WaveOut1->Start();
    } catch (const std::exception& error) {
        WaveOut1Failed(QString::fromUtf8(error.what()));
    }
}

void TfrmResample::WaveOut1Progress()
{
    m_progressPending = false;
    if (m_converting) {
        ProgressBar1->setValue(std::clamp(WaveOut1->Progress(), 0, 100));
    }
}

void TfrmResample::WaveOut1Done()
{
    if (!m_converting) {
        return;
    }
    endConversion(true);
    ProgressBar1->setValue(100);
    emit conversionEnded();
}

void TfrmResample::WaveOut1Failed(const QString& message)
{
    if (!m_converting) {
        return;
    }
    endConversion(false);
    ProgressBar1->setValue(0);
    Prompt::instance().error(message);
    emit conversionEnded();
}

void TfrmResample::endConversion(bool keep)
{
    m_converting = false;
    WaveOut1->SetFileName(m_target);
    if (keep && !Files::rename(m_partialFile, m_target)) {
        Files::remove(m_partialFile);
        Prompt::instance().error(QStringLiteral("Cannot write file \"%1\".").arg(m_target));
    } else if (!keep) {
        Files::remove(m_partialFile);
    }
    m_partialFile.clear();
    bConvert->setEnabled(true);
}

QStringList TfrmResample::chainNames() const
{
    QStringList names;
    TACSInput* s = WaveOut1->Input();
    while (s != nullptr) {
        names << s->objectName();
        auto* converter = dynamic_cast<TACSConverter*>(s);
        s = converter != nullptr ? converter->Input() : nullptr;
    }
    return names;
}
