#pragma once

#include <QDialog>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QWidget;

// "Options": edits the settings record and the current disc's information in memory
// and picks the CD drive. Nothing reaches the disk from here; the main window saves
// the record when it closes.
class TOptionSetForm : public QDialog
{
    Q_OBJECT
public:
    enum Page { pgOutput, pgLame, pgOgg, pgWma, pgFlac, pgId3, pgCDROM };

    explicit TOptionSetForm(QWidget* parent = nullptr);

    // Called by OK with the newly chosen drive's list position when it differs from the
    // drive the dialog started with; the main window opens that drive and refills its list.
    std::function<void(int driveIndex)> driveChanged;

    // The stored CD index, or 0 when none was stored.
    int initialDriveIndex() const { return m_initialDriveIndex; }

    // The number in the first three characters of a bitrate box ("128 kbit/s" gives 128),
    // or nothing when they do not form one.
    static std::optional<int> bitRateOfText(const QString& text);
    // A decimal integer with an optional sign; leading blanks are allowed, nothing else.
    static std::optional<int> integerOfText(const QString& text);
    // The item whose text the box shows, or -1 when the shown text matches no item.
    static int itemIndexOf(const QComboBox* box);

    void FormCreate();
    void btBrowserClick();
    void bDefaultClick();
    void bWMADefaultClick();
    void bFLACDefaultClick();
    void TabCDROMShow();
    void btOkClick();
    void btCancelClick();
    // Enabling rules, also run once after loading.
    void ckNormalizeClick();
    void ckbSelectVBRClick();
    void cbRipTimeClick();
    void cbOutputFormatChange();

    QTabWidget* PageControl1 = nullptr;
    // Output
    QLineEdit* editOutputDir = nullptr;
    QPushButton* btBrowser = nullptr;
    QCheckBox* ckbKeepWav = nullptr;
    QComboBox* cbOutputFormat = nullptr;
    QCheckBox* ckNormalize = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QCheckBox* cbRipTime = nullptr;
    QLineEdit* eRipTime = nullptr;
    // LAME
    QCheckBox* ckbSelectVBR = nullptr;
    QCheckBox* ckbVBRHead = nullptr;
    QComboBox* cbBitRate = nullptr;
    QComboBox* cbMaxBitRate = nullptr;
    QComboBox* cbVBRQuality = nullptr;
    QComboBox* cbMpegQuality = nullptr;
    QComboBox* cbStereoMode = nullptr;
    QPushButton* bDefault = nullptr;
    // OGG
    QCheckBox* cbUseCompress = nullptr;
    QSlider* tbCompression = nullptr;
    QComboBox* cbOggNomBit = nullptr;
    QComboBox* cbOggMaxBit = nullptr;
    QComboBox* cbOggMinBit = nullptr;
    // WMA
    QComboBox* cbWMABitrate = nullptr;
    QPushButton* bWMADefault = nullptr;
    // FLAC
    QComboBox* cbFLACCompression = nullptr;
    QPushButton* bFLACDefault = nullptr;
    // ID3 Tag
    QCheckBox* cbUseID3 = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QLineEdit* ID3comment = nullptr;
    QComboBox* ID3genre = nullptr;
    // CD-ROM
    QComboBox* cbCDList = nullptr;
    QCheckBox* ckSecureMode = nullptr;
    QSpinBox* seReadOffset = nullptr;
    QCheckBox* ckAccurateRip = nullptr;
    QLineEdit* eCddbEmail = nullptr;
    QLabel* lCddbEmailHint = nullptr; // shown while the typed address cannot be sent

    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;

private:
    QWidget* buildOutputPage();
    QWidget* buildLamePage();
    QWidget* buildOggPage();
    QWidget* buildWmaPage();
    QWidget* buildFlacPage();
    QWidget* buildId3Page();
    QWidget* buildCDROMPage();
    QGroupBox* buildLookupGroup(QWidget* page);
    void eCddbEmailChange();
    QComboBox* makeList(const QString& name, const QStringList& items, bool editable = true);
    QLineEdit* makeTagEdit(const QString& name, int maxLength);
    // False (after telling the user) when a bitrate box holds no number; the fields
    // before it are stored by then.
    bool storeControls();

    int m_initialDriveIndex = 0;
    bool m_cdDb = false;
};
