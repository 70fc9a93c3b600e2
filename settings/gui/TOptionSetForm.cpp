#include "settings/gui/TOptionSetForm.h"

#include "cd/CDDriveLibrary.h"
#include "cd/CddbClientIdentity.h"
#include "common/ProgramFolder.h"
#include "meta/Genres.h"
#include "platform/Prompt.h"
#include "settings/SettingsStore.h"
#include "settings/TSettings.h"
#include "settings/gui/OptionLists.h"
#include "skins/ColourScheme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

namespace {

const QString kKbit = QStringLiteral("kbit/s");

// The limit of a tag edit is for typing; a longer text fetched online stays whole unless
// the user edits it, where a plain maximum length would cut it on loading.
constexpr const char* kTypingLimit = "typingLimit";

void setTagText(QLineEdit* edit, const QString& text)
{
    edit->setMaxLength(std::max(edit->property(kTypingLimit).toInt(), static_cast<int>(text.size())));
    edit->setText(text);
}

QLabel* label(const QString& text, QWidget* parent)
{
    return new QLabel(text, parent);
}

} // namespace

TOptionSetForm::TOptionSetForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OptionSetForm"));
    setWindowTitle(QStringLiteral("Options"));

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->addTab(buildOutputPage(), QStringLiteral("Output"));
    PageControl1->addTab(buildLamePage(), QStringLiteral("LAME"));
    PageControl1->addTab(buildOggPage(), QStringLiteral("OGG"));
    PageControl1->addTab(buildWmaPage(), QStringLiteral("WMA"));
    PageControl1->addTab(buildFlacPage(), QStringLiteral("FLAC"));
    PageControl1->addTab(buildId3Page(), QStringLiteral("ID3 Tag"));
    PageControl1->addTab(buildCDROMPage(), QStringLiteral("CD-ROM"));

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    // Wide enough for every page's tab to show at once.
    setMinimumWidth(480);

    connect(btBrowser, &QPushButton::clicked, this, &TOptionSetForm::btBrowserClick);
    connect(bDefault, &QPushButton::clicked, this, &TOptionSetForm::bDefaultClick);
    connect(bWMADefault, &QPushButton::clicked, this, &TOptionSetForm::bWMADefaultClick);
    connect(bFLACDefault, &QPushButton::clicked, this, &TOptionSetForm::bFLACDefaultClick);
    connect(btOk, &QPushButton::clicked, this, &TOptionSetForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &TOptionSetForm::btCancelClick);
    connect(ckNormalize, &QCheckBox::toggled, this, &TOptionSetForm::ckNormalizeClick);
    connect(ckbSelectVBR, &QCheckBox::toggled, this, &TOptionSetForm::ckbSelectVBRClick);
    connect(cbRipTime, &QCheckBox::toggled, this, &TOptionSetForm::cbRipTimeClick);
    // Typed text counts as much as a picked item, so both signals re-evaluate the rule.
    connect(cbOutputFormat, &QComboBox::currentIndexChanged, this, &TOptionSetForm::cbOutputFormatChange);
    connect(cbOutputFormat, &QComboBox::editTextChanged, this, &TOptionSetForm::cbOutputFormatChange);
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == pgCDROM) {
            TabCDROMShow();
        }
    });

    FormCreate();
    ColourScheme::apply(this, settings().SkinIndex);
}

QComboBox* TOptionSetForm::makeList(const QString& name, const QStringList& items, bool editable)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->setEditable(editable);
    // A typed text is a value of its own; it never joins the items.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(16);
    box->addItems(items);
    return box;
}

QLineEdit* TOptionSetForm::makeTagEdit(const QString& name, int maxLength)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setProperty(kTypingLimit, maxLength);
    return edit;
}

QWidget* TOptionSetForm::buildOutputPage()
{
    auto* page = new QWidget;

    auto* folderGroup = new QGroupBox(QStringLiteral("Output directory(WAV/MP3)"), page);
    editOutputDir = new QLineEdit(folderGroup);
    editOutputDir->setObjectName(QStringLiteral("editOutputDir"));
    btBrowser = new QPushButton(QStringLiteral("..."), folderGroup);
    btBrowser->setObjectName(QStringLiteral("btBrowser"));
    btBrowser->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ckbKeepWav = new QCheckBox(QStringLiteral("Delete WAV file after processing"), folderGroup);
    ckbKeepWav->setObjectName(QStringLiteral("ckbKeepWav"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(editOutputDir);
    folderRow->addWidget(btBrowser);
    auto* folderLayout = new QVBoxLayout(folderGroup);
    folderLayout->addLayout(folderRow);
    folderLayout->addWidget(ckbKeepWav);

    auto* formatGroup = new QGroupBox(QStringLiteral("Output format"), page);
    cbOutputFormat = makeList(QStringLiteral("cbOutputFormat"), OptionLists::outputFormats());
    ckNormalize = new QCheckBox(QStringLiteral("Normalize"), formatGroup);
    ckNormalize->setObjectName(QStringLiteral("ckNormalize"));
    SpinEdit1 = new QSpinBox(formatGroup);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(0, 100);
    SpinEdit1->setMinimumWidth(70);
    // Arrows only: the percentage cannot be typed.
    if (auto* spinText = SpinEdit1->findChild<QLineEdit*>()) {
        spinText->setMaxLength(3);
        spinText->setReadOnly(true);
    }
    auto* formatLayout = new QGridLayout(formatGroup);
    formatLayout->addWidget(label(QStringLiteral("Format："), formatGroup), 0, 0);
    formatLayout->addWidget(cbOutputFormat, 0, 1, 1, 3);
    formatLayout->addWidget(ckNormalize, 1, 0);
    formatLayout->addWidget(SpinEdit1, 1, 1);
    formatLayout->addWidget(label(QStringLiteral("%"), formatGroup), 1, 2);
    formatLayout->setColumnStretch(3, 1);

    auto* lengthGroup = new QGroupBox(page);
    cbRipTime = new QCheckBox(QStringLiteral("Enable to set the length to extract"), lengthGroup);
    cbRipTime->setObjectName(QStringLiteral("cbRipTime"));
    eRipTime = new QLineEdit(QStringLiteral("0"), lengthGroup);
    eRipTime->setObjectName(QStringLiteral("eRipTime"));
    eRipTime->setFixedWidth(80);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(label(QStringLiteral("The song length:"), lengthGroup));
    lengthRow->addWidget(eRipTime);
    lengthRow->addWidget(label(QStringLiteral("Second"), lengthGroup));
    lengthRow->addStretch();
    auto* lengthLayout = new QVBoxLayout(lengthGroup);
    lengthLayout->addWidget(cbRipTime);
    lengthLayout->addLayout(lengthRow);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(folderGroup);
    layout->addWidget(formatGroup);
    layout->addWidget(lengthGroup);
    layout->addStretch();
    return page;
}

QWidget* TOptionSetForm::buildLamePage()
{
    auto* page = new QWidget;
    ckbSelectVBR = new QCheckBox(QStringLiteral("Enable Variable Bitrate(VBR)"), page);
    ckbSelectVBR->setObjectName(QStringLiteral("ckbSelectVBR"));
    ckbVBRHead = new QCheckBox(QStringLiteral("Disable writing of the VBR Tag"), page);
    ckbVBRHead->setObjectName(QStringLiteral("ckbVBRHead"));
    cbBitRate = makeList(QStringLiteral("cbBitRate"), OptionLists::mp3BitRates());
    cbMaxBitRate = makeList(QStringLiteral("cbMaxBitRate"), OptionLists::mp3BitRates());
    cbVBRQuality = makeList(QStringLiteral("cbVBRQuality"), OptionLists::vbrQualities());
    cbMpegQuality = makeList(QStringLiteral("cbMpegQuality"), OptionLists::mpegQualities());
    cbStereoMode = makeList(QStringLiteral("cbStereoMode"), OptionLists::stereoModes());
    bDefault = new QPushButton(QStringLiteral("&Default"), page);
    bDefault->setObjectName(QStringLiteral("bDefault"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Minimum bitrate:"), cbBitRate);
    form->addRow(QStringLiteral("Maximum bitrate:"), cbMaxBitRate);
    form->addRow(QStringLiteral("VBR Quality:"), cbVBRQuality);
    form->addRow(QStringLiteral("Speed/Quality:"), cbMpegQuality);
    form->addRow(QStringLiteral("Mode:"), cbStereoMode);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(bDefault);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(ckbSelectVBR);
    layout->addWidget(ckbVBRHead);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttonRow);
    return page;
}

QWidget* TOptionSetForm::buildOggPage()
{
    auto* page = new QWidget;
    cbUseCompress = new QCheckBox(QStringLiteral("Use Quality setting"), page);
    cbUseCompress->setObjectName(QStringLiteral("cbUseCompress"));
    tbCompression = new QSlider(Qt::Horizontal, page);
    tbCompression->setObjectName(QStringLiteral("tbCompression"));
    tbCompression->setRange(30, 100);
    tbCompression->setSingleStep(1);
    tbCompression->setPageStep(1);
    auto* sliderRow = new QHBoxLayout;
    sliderRow->addWidget(tbCompression, 1);
    sliderRow->addWidget(label(QStringLiteral("-> Highest quality"), page));

    auto* managerGroup = new QGroupBox(QStringLiteral("Use Bitrate manager"), page);
    cbOggNomBit = makeList(QStringLiteral("cbOggNomBit"), OptionLists::oggBitRates());
    cbOggMaxBit = makeList(QStringLiteral("cbOggMaxBit"), OptionLists::oggBitRates());
    cbOggMinBit = makeList(QStringLiteral("cbOggMinBit"), OptionLists::oggBitRates());
    auto* form = new QFormLayout(managerGroup);
    form->addRow(QStringLiteral("Nominal bitrate:"), cbOggNomBit);
    form->addRow(QStringLiteral("Maximum bitrate:"), cbOggMaxBit);
    form->addRow(QStringLiteral("Minimum bitrate:"), cbOggMinBit);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbUseCompress);
    layout->addLayout(sliderRow);
    layout->addWidget(managerGroup);
    layout->addStretch();
    return page;
}

QWidget* TOptionSetForm::buildWmaPage()
{
    auto* page = new QWidget;
    cbWMABitrate = makeList(QStringLiteral("cbWMABitrate"), OptionLists::wmaProfiles());
    bWMADefault = new QPushButton(QStringLiteral("&Default"), page);
    bWMADefault->setObjectName(QStringLiteral("bWMADefault"));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Audio Bitrate:"), cbWMABitrate);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(bWMADefault);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addStretch();
    layout->addLayout(buttonRow);
    return page;
}

QWidget* TOptionSetForm::buildFlacPage()
{
    auto* page = new QWidget;
    cbFLACCompression = makeList(QStringLiteral("cbFLACCompression"), OptionLists::flacLevels(), false);
    bFLACDefault = new QPushButton(QStringLiteral("&Default"), page);
    bFLACDefault->setObjectName(QStringLiteral("bFLACDefault"));
    auto* note = label(QStringLiteral("FLAC files keep every sample of the source. A higher level gives a smaller "
                                      "file and takes longer to encode."),
                       page);
    note->setWordWrap(true);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Compression level:"), cbFLACCompression);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(bFLACDefault);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addStretch();
    layout->addLayout(buttonRow);
    return page;
}

QWidget* TOptionSetForm::buildId3Page()
{
    auto* page = new QWidget;
    cbUseID3 = new QCheckBox(QStringLiteral("Use ID3 tag"), page);
    cbUseID3->setObjectName(QStringLiteral("cbUseID3"));
    ID3artist = makeTagEdit(QStringLiteral("ID3artist"), 30);
    ID3album = makeTagEdit(QStringLiteral("ID3album"), 30);
    ID3year = makeTagEdit(QStringLiteral("ID3year"), 4);
    ID3year->setFixedWidth(60);
    ID3comment = makeTagEdit(QStringLiteral("ID3comment"), 30);
    ID3genre = makeList(QStringLiteral("ID3genre"), Genres::listItems(), false);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Artist:"), ID3artist);
    form->addRow(QStringLiteral("Album:"), ID3album);
    form->addRow(QStringLiteral("Year:"), ID3year);
    form->addRow(QStringLiteral("Comment:"), ID3comment);
    form->addRow(QStringLiteral("Genre:"), ID3genre);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbUseID3);
    layout->addLayout(form);
    layout->addStretch();
    return page;
}

QWidget* TOptionSetForm::buildCDROMPage()
{
    auto* page = new QWidget;
    cbCDList = makeList(QStringLiteral("cbCDList"), {});
    auto* row = new QHBoxLayout;
    row->addWidget(label(QStringLiteral("Device："), page));
    row->addWidget(cbCDList, 1);
    ckSecureMode = new QCheckBox(QStringLiteral("Secure mode (re-read until sure)"), page);
    ckSecureMode->setObjectName(QStringLiteral("ckSecureMode"));
    ckSecureMode->setAccessibleName(QStringLiteral("Secure mode"));
    ckSecureMode->setAccessibleDescription(
        QStringLiteral("Reads every sector until overlapping reads agree; slower, but sure of the copy"));
    seReadOffset = new QSpinBox(page);
    seReadOffset->setObjectName(QStringLiteral("seReadOffset"));
    seReadOffset->setRange(-MaxReadOffset, MaxReadOffset);
    seReadOffset->setAccessibleName(QStringLiteral("Read offset (samples)"));
    seReadOffset->setAccessibleDescription(QStringLiteral("The drive's read offset correction in samples"));
    ckAccurateRip = new QCheckBox(QStringLiteral("Verify with AccurateRip"), page);
    ckAccurateRip->setObjectName(QStringLiteral("ckAccurateRip"));
    ckAccurateRip->setAccessibleName(QStringLiteral("Verify with AccurateRip"));
    ckAccurateRip->setAccessibleDescription(QStringLiteral(
        "After a rip, compares every track's checksums with other people's rips in the AccurateRip database"));
    auto* offsetLabel = label(QStringLiteral("&Read offset (samples):"), page);
    offsetLabel->setBuddy(seReadOffset);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(offsetLabel);
    offsetRow->addWidget(seReadOffset);
    offsetRow->addStretch();
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(row);
    layout->addWidget(ckSecureMode);
    layout->addLayout(offsetRow);
    layout->addWidget(ckAccurateRip);
    layout->addWidget(buildLookupGroup(page));
    layout->addStretch();
    return page;
}

QGroupBox* TOptionSetForm::buildLookupGroup(QWidget* page)
{
    auto* group = new QGroupBox(QStringLiteral("CDDB lookup"), page);
    eCddbEmail = new QLineEdit(group);
    eCddbEmail->setObjectName(QStringLiteral("eCddbEmail"));
    eCddbEmail->setPlaceholderText(SettingsStore::defaultEmail());
    eCddbEmail->setAccessibleName(QStringLiteral("E-mail address"));
    eCddbEmail->setAccessibleDescription(QStringLiteral("Sent to the CDDB server, which may refuse unknown addresses"));
    auto* emailLabel = label(QStringLiteral("&E-mail address:"), group);
    emailLabel->setBuddy(eCddbEmail);
    lCddbEmailHint = new QLabel(group);
    lCddbEmailHint->setObjectName(QStringLiteral("lCddbEmailHint"));
    lCddbEmailHint->setWordWrap(true);
    lCddbEmailHint->hide();
    connect(eCddbEmail, &QLineEdit::textChanged, this, &TOptionSetForm::eCddbEmailChange);
    auto* grid = new QGridLayout(group);
    grid->addWidget(emailLabel, 0, 0);
    grid->addWidget(eCddbEmail, 0, 1);
    grid->addWidget(lCddbEmailHint, 1, 0, 1, 2);
    return group;
}

void TOptionSetForm::eCddbEmailChange()
{
    const QString problem = tarnwick::cddb::userAddressFor(eCddbEmail->text()).problem;
    lCddbEmailHint->setText(problem);
    lCddbEmailHint->setVisible(!problem.isEmpty());
}

void TOptionSetForm::FormCreate()
{
    const TSettings& s = settings();
    ckbKeepWav->setChecked(!s.IsKeepWav);
    cbOutputFormat->setCurrentIndex(s.OutputFormat);
    editOutputDir->setText(s.OutputFolder);
    ckNormalize->setChecked(s.IsNormalize);
    SpinEdit1->setValue(s.NormalizePercent);
    cbRipTime->setChecked(s.EnableRipTime);
    eRipTime->setText(QString::number(s.RipTime));
    ckbSelectVBR->setChecked(s.IsSelectVBR);
    ckbVBRHead->setChecked(s.IsVBRHead);
    // The stored rate is shown as a number of its own, so 32 reads "32 kbit/s" (not an item).
    for (auto [box, rate] : {std::pair{cbBitRate, s.BitRate}, std::pair{cbMaxBitRate, s.MaxBitRate}}) {
        const QString text = QString::number(rate) + QLatin1Char(' ') + kKbit;
        box->setCurrentIndex(box->findText(text, Qt::MatchExactly));
        box->setEditText(text);
    }
    cbMpegQuality->setCurrentIndex(s.MpegQuality);
    cbVBRQuality->setCurrentIndex(s.VBRQuality);
    cbStereoMode->setCurrentIndex(s.StereoMode);
    cbUseCompress->setChecked(s.IsUseCompress);
    tbCompression->setValue(s.CompressPosition);
    cbOggMaxBit->setCurrentIndex(s.OggMaxBitRate);
    cbOggNomBit->setCurrentIndex(s.NomalBitRate);
    cbOggMinBit->setCurrentIndex(s.MinBitRate);
    cbWMABitrate->setCurrentIndex(s.WMABitRate);
    cbFLACCompression->setCurrentIndex(std::clamp(s.FLACCompression, 0, cbFLACCompression->count() - 1));
    m_initialDriveIndex = s.CDIndex == -1 ? 0 : s.CDIndex;
    m_cdDb = s.CDDb;
    ckSecureMode->setChecked(s.SecureMode);
    seReadOffset->setValue(s.ReadOffset);
    ckAccurateRip->setChecked(s.AccurateRip);
    eCddbEmail->setText(s.Email);
    cbUseID3->setChecked(s.UseID3);
    setTagText(ID3artist, s.Disc.Artist);
    setTagText(ID3album, s.Disc.Album);
    setTagText(ID3year, s.Disc.Year);
    setTagText(ID3comment, s.Disc.Comment);
    // A genre outside the list shows (and keeps) the empty entry rather than nothing at all.
    const int genreItem = s.Disc.Genre + 1;
    ID3genre->setCurrentIndex(genreItem >= 0 && genreItem < ID3genre->count() ? genreItem : 0);

    ckNormalizeClick();
    ckbSelectVBRClick();
    cbRipTimeClick();
    cbOutputFormatChange();
    PageControl1->setCurrentIndex(pgOutput);
}

std::optional<int> TOptionSetForm::integerOfText(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char(' ')) {
        ++i;
    }
    const QStringView rest = QStringView(text).mid(i);
    const qsizetype digitsFrom = (!rest.isEmpty() && (rest[0] == u'+' || rest[0] == u'-')) ? 1 : 0;
    if (rest.size() == digitsFrom) {
        return std::nullopt;
    }
    for (qsizetype k = digitsFrom; k < rest.size(); ++k) {
        if (rest[k] < u'0' || rest[k] > u'9') {
            return std::nullopt;
        }
    }
    bool ok = false;
    const int value = rest.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<int> TOptionSetForm::bitRateOfText(const QString& text)
{
    return integerOfText(text.left(3).trimmed());
}

int TOptionSetForm::itemIndexOf(const QComboBox* box)
{
    if (!box->isEditable()) {
        return box->currentIndex();
    }
    const QString shown = box->currentText();
    if (box->currentIndex() >= 0 && box->itemText(box->currentIndex()) == shown) {
        return box->currentIndex();
    }
    return box->findText(shown, Qt::MatchExactly);
}

void TOptionSetForm::ckNormalizeClick()
{
    SpinEdit1->setEnabled(ckNormalize->isChecked());
}

void TOptionSetForm::ckbSelectVBRClick()
{
    const bool vbr = ckbSelectVBR->isChecked();
    ckbVBRHead->setEnabled(vbr);
    cbMaxBitRate->setEnabled(vbr);
    cbVBRQuality->setEnabled(vbr);
}

void TOptionSetForm::cbRipTimeClick()
{
    eRipTime->setEnabled(cbRipTime->isChecked());
}

void TOptionSetForm::cbOutputFormatChange()
{
    // WAV output keeps the extracted files by its nature; there is nothing to delete.
    ckbKeepWav->setEnabled(itemIndexOf(cbOutputFormat) != ofWAV);
}

void TOptionSetForm::btBrowserClick()
{
    const QString folder = Prompt::instance().selectFolder(
        QStringLiteral("Please select the directory to save mp3 and wav file"), tarnwick::programFolder());
    if (!folder.isEmpty()) {
        editOutputDir->setText(folder);
    }
}

void TOptionSetForm::bDefaultClick()
{
    ckbSelectVBR->setChecked(false);
    ckbVBRHead->setChecked(false);
    cbBitRate->setCurrentIndex(OptionLists::defaultBitRateItem);
    cbMaxBitRate->setCurrentIndex(OptionLists::defaultMaxBitRateItem);
    cbVBRQuality->setCurrentIndex(OptionLists::defaultVBRQualityItem);
    cbMpegQuality->setCurrentIndex(OptionLists::defaultMpegQualityItem);
    cbStereoMode->setCurrentIndex(OptionLists::defaultStereoModeItem);
}

void TOptionSetForm::bWMADefaultClick()
{
    cbWMABitrate->setCurrentIndex(OptionLists::defaultWmaProfileItem);
}

void TOptionSetForm::bFLACDefaultClick()
{
    cbFLACCompression->setCurrentIndex(OptionLists::defaultFlacLevelItem);
}

void TOptionSetForm::TabCDROMShow()
{
    CDDriveList list{};
    list.capacity = CDDriveList::MaxEntries;
    const int count = GetCDList(&list) ? std::min<int>(list.count, CDDriveList::MaxEntries) : 0;
    cbCDList->clear();
    for (int i = 0; i < count; ++i) {
        // Named as the main window's status bar names the drive in use.
        cbCDList->addItem(tarnwick::driveDescription(list.entries[i]));
    }
    // Filling selects the first item by itself; only the drive in use is to be selected.
    cbCDList->setCurrentIndex(m_initialDriveIndex < count ? m_initialDriveIndex : -1);
}

bool TOptionSetForm::storeControls()
{
    TSettings& s = settings();
    s.IsKeepWav = !ckbKeepWav->isChecked();
    s.OutputFormat = itemIndexOf(cbOutputFormat);
    s.OutputFolder = editOutputDir->text();
    s.IsNormalize = ckNormalize->isChecked();
    s.NormalizePercent = SpinEdit1->value();
    s.EnableRipTime = cbRipTime->isChecked();
    s.RipTime = integerOfText(eRipTime->text()).value_or(0);
    s.IsSelectVBR = ckbSelectVBR->isChecked();
    s.IsVBRHead = ckbVBRHead->isChecked();
    for (auto [box, field] : {std::pair{cbBitRate, &s.BitRate}, std::pair{cbMaxBitRate, &s.MaxBitRate}}) {
        const QString digits = box->currentText().left(3).trimmed();
        const std::optional<int> rate = integerOfText(digits);
        if (!rate) {
            Prompt::instance().error(QStringLiteral("'%1' is not a valid integer value").arg(digits));
            return false;
        }
        *field = *rate;
    }
    s.MpegQuality = itemIndexOf(cbMpegQuality);
    s.VBRQuality = itemIndexOf(cbVBRQuality);
    s.StereoMode = itemIndexOf(cbStereoMode);
    s.IsUseCompress = cbUseCompress->isChecked();
    s.CompressPosition = tbCompression->value();
    s.OggMaxBitRate = itemIndexOf(cbOggMaxBit);
    s.NomalBitRate = itemIndexOf(cbOggNomBit);
    s.MinBitRate = itemIndexOf(cbOggMinBit);
    s.WMABitRate = itemIndexOf(cbWMABitrate);
    s.FLACCompression = cbFLACCompression->currentIndex();
    s.CDIndex = itemIndexOf(cbCDList);
    s.SecureMode = ckSecureMode->isChecked();
    s.ReadOffset = seReadOffset->value();
    s.AccurateRip = ckAccurateRip->isChecked();
    s.Email = eCddbEmail->text().trimmed();
    s.UseID3 = cbUseID3->isChecked();
    s.Disc.Artist = ID3artist->text();
    s.Disc.Album = ID3album->text();
    s.Disc.Year = ID3year->text();
    s.Disc.Genre = ID3genre->currentIndex() - 1;
    s.Disc.Comment = ID3comment->text();
    return true;
}

void TOptionSetForm::btOkClick()
{
    const bool onOutputPage = PageControl1->currentIndex() == pgOutput;
    const QString folder = editOutputDir->text();
    if (!QFileInfo(folder).isDir()) {
        Prompt::instance().error(folder + QStringLiteral(",The output directory does not exist."));
        if (onOutputPage) {
            editOutputDir->setFocus();
        }
        return;
    }
    // -100 stands for "not a number" in the length check, so it is refused as well.
    const std::optional<int> ripTime = integerOfText(eRipTime->text());
    if (!ripTime || *ripTime == -100) {
        Prompt::instance().error(QStringLiteral("Please check the song length field."));
        if (onOutputPage) {
            eRipTime->setFocus();
        }
        return;
    }
    if (!storeControls()) {
        return;
    }
    // A typed drive name that matches no drive (-1) leaves the drive in use alone.
    const int drive = settings().CDIndex;
    if (cbCDList->count() > 0 && drive >= 0 && drive != m_initialDriveIndex && driveChanged) {
        driveChanged(drive);
    }
    accept();
}

void TOptionSetForm::btCancelClick()
{
    reject();
}
