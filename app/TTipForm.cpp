#include "app/TTipForm.h"

#include "platform/Prompt.h"
#include "settings/SettingsStore.h"
#include "skins/ColourScheme.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kAspiAddress = QStringLiteral("https://www.adaptec.com/en-us/downloads/");

QList<QStringList> tipPages()
{
    return {
        {QStringLiteral("Why does the software show no CD devices found?"),
         QStringLiteral("Perhaps incorrect ASPI driver.Please install latest ASPI"),
         QStringLiteral("driver,you can search and downlaod ForceASPI from"),
         QStringLiteral(" internet and run INSTASPI.BAT.Or download drivers"),
         QStringLiteral("from Adaptec web site at ") + kAspiAddress},
        {QStringLiteral("Support for normalization of audio files. "),
         QStringLiteral("Some CDs are recorded with different volume levels,and"),
         QStringLiteral("some MP3 files may also have different volume levels,"),
         QStringLiteral("with normalization function, you can make all output MP3"),
         QStringLiteral("or WAV files in the same volume level."),
         QStringLiteral("If \"Normalize\" is checked,normalization will be performed"),
         QStringLiteral("when ripping CD and decoding MP3 to WAV files.")},
        {QStringLiteral("Clear the play list of RealOne Player and Windows"),
         QStringLiteral("Media Player. You can clear the play list of RealOne"),
         QStringLiteral("Player and Windows Media Player when them not run.")},
        {QStringLiteral("Record from microphone or line in,save to Wav or Mp3. "),
         QStringLiteral("You can record your voice from microphone or other"),
         QStringLiteral("audio from line in.The output format is Wav or Mp3 or"),
         QStringLiteral("All based on your choice.")},
        {QStringLiteral("Easy to use interface that allows you to rip tracks of"),
         QStringLiteral("your Audio CD just by several clicks. You can select"),
         QStringLiteral("the track you want to rip and click Extract to start"),
         QStringLiteral("to extract. It's too easy.")},
        {QStringLiteral("CD ripper,Mp3 or OGG converter Rip selected tracks"),
         QStringLiteral("from audio CD and convert them to MP3 or OGG format"),
         QStringLiteral("or save as WAV format. The result is MP3 or WAV or"),
         QStringLiteral("OGG format based on your choice."),
         QStringLiteral("You can select the format from options setting.")},
        {QStringLiteral("Tarnwick is an easy to use CD ripper"),
         QStringLiteral("that allows you to extract audio files from a CD and"),
         QStringLiteral("convert them to MP3 or or WAV OGG format.")},
        {QStringLiteral("Gets information from remote CDDB server.You"),
         QStringLiteral("can get CD information from freedb database such"), QStringLiteral("as track titles.")},
    };
}

} // namespace

int TTipForm::pageCount()
{
    return static_cast<int>(tipPages().size());
}

QStringList TTipForm::pageLines(int page)
{
    const auto pages = tipPages();
    return page >= 0 && page < pages.size() ? pages[page] : QStringList();
}

TTipForm::TTipForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TTipForm"));
    setWindowTitle(QStringLiteral("Tarnwick Tip of the Day"));
    ColourScheme::apply(this, settings().SkinIndex);

    auto* picture = new QLabel(this);
    picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    picture->setAlignment(Qt::AlignTop);
    auto* heading = new QLabel(QStringLiteral("Did you know..."), this);
    QFont headingFont = heading->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.4);
    heading->setFont(headingFont);

    m_notebook = new QStackedWidget(this);
    m_notebook->setObjectName(QStringLiteral("Notebook1"));
    for (const QStringList& lines : tipPages()) {
        auto* label = new QLabel(lines.join(QLatin1Char('\n')), m_notebook);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setMargin(8);
        m_notebook->addWidget(label);
    }
    m_notebook->setFrameShape(QFrame::StyledPanel);
    m_notebook->setMinimumSize(380, 150);

    m_cbOption = new QComboBox(this);
    m_cbOption->addItems(
        {QStringLiteral("Always show tips at startup"), QStringLiteral("Never show tips at startup ")});
    // Measured in characters, not from the first size hint: the skin's style sheet widens
    // the drop-down button afterwards, and a hint taken before it cut the text short.
    m_cbOption->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cbOption->setMinimumContentsLength(int(m_cbOption->itemText(1).size()) + 2);
    m_bNext = new QPushButton(QStringLiteral("&Next Tip"), this);
    m_bClose = new QPushButton(QStringLiteral("&Close"), this);
    m_bClose->setDefault(true);
    connect(m_bNext, &QPushButton::clicked, this, &TTipForm::suitempbNextClick);
    connect(m_bClose, &QPushButton::clicked, this, &TTipForm::suitempbCloseClick);

    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    auto* right = new QVBoxLayout;
    right->addWidget(heading);
    right->addWidget(m_notebook, 1);
    top->addLayout(right, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_cbOption);
    bottom->addStretch(1);
    bottom->addWidget(m_bNext);
    bottom->addWidget(m_bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(bottom);
    setFixedSize(sizeHint());
}

int TTipForm::page() const
{
    return m_notebook->currentIndex();
}

void TTipForm::setPage(int page)
{
    m_notebook->setCurrentIndex(page);
}

void TTipForm::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TTipForm::FormShow()
{
    m_cbOption->setCurrentIndex(settings().IsShowTips ? 0 : 1);
    setPage(static_cast<int>(QRandomGenerator::global()->bounded(pageCount())));
}

void TTipForm::suitempbNextClick()
{
    setPage((page() + 1) % pageCount());
}

void TTipForm::suitempbCloseClick()
{
    const bool showTips = m_cbOption->currentIndex() == 0;
    if (showTips != settings().IsShowTips) {
        settings().IsShowTips = showTips;
        QString error;
        const QString path = m_settingsPath.isEmpty() ? SettingsStore::defaultPath() : m_settingsPath;
        if (!SettingsStore::save(settings(), path, &error)) {
            Prompt::instance().error(error);
        }
    }
    done(QDialog::Accepted);
}
