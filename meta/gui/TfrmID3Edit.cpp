#include "meta/gui/TfrmID3Edit.h"

#include "meta/Genres.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

const QString TfrmID3Edit::caption = QStringLiteral("ID3 Tag Edit");
const QString TfrmID3Edit::filter = QStringLiteral("Index files (*.mp3)|*.mp3");

namespace {

const QString kCouldNotSave = QStringLiteral("Could not save Tag!");
constexpr int kFieldLimit = 255;

QLineEdit* makeEdit(const QString& name, int maxLength, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    return edit;
}

QPushButton* makeButton(const QString& name, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfrmID3Edit::TfrmID3Edit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmID3Edit"));
    buildWindow();
    FormCreate();
}

void TfrmID3Edit::buildWindow()
{
    GroupBox1 = new QGroupBox(QStringLiteral("ID3 Tag"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    ID3title = makeEdit(QStringLiteral("ID3title"), Tid3tag::textWidth, GroupBox1);
    ID3artist = makeEdit(QStringLiteral("ID3artist"), Tid3tag::textWidth, GroupBox1);
    ID3album = makeEdit(QStringLiteral("ID3album"), Tid3tag::textWidth, GroupBox1);
    ID3year = makeEdit(QStringLiteral("ID3year"), Tid3tag::yearWidth, GroupBox1);
    ID3comment = makeEdit(QStringLiteral("ID3comment"), Tid3tag::textWidth, GroupBox1);
    ID3track = makeEdit(QStringLiteral("ID3track"), 2, GroupBox1);
    // Digits only, typed or pasted, so the track is always 0 to 99.
    ID3track->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), ID3track));
    ID3genre = new QComboBox(GroupBox1);
    ID3genre->setObjectName(QStringLiteral("ID3genre"));
    ID3genre->setEditable(false);
    ID3genre->setMaxVisibleItems(16);
    ID3genre->addItems(Genres::listItems());

    // Wide enough for 30 characters; the year and track boxes only for their few.
    const int wide = fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20;
    for (QLineEdit* edit : {ID3title, ID3artist, ID3album, ID3comment}) {
        edit->setMinimumWidth(wide);
    }
    ID3year->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    ID3track->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")) + 16);
    ID3genre->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Contemporary Christian")) + 40);

    auto* grid = new QGridLayout(GroupBox1);
    auto row = [this, grid](int r, const QString& text, QWidget* field, int column = 0, int span = 3) {
        auto* label = new QLabel(text, GroupBox1);
        label->setBuddy(field);
        grid->addWidget(label, r, column);
        grid->addWidget(field, r, column + 1, 1, span);
    };
    row(0, QStringLiteral("Title:"), ID3title);
    row(1, QStringLiteral("Artist:"), ID3artist);
    row(2, QStringLiteral("Album:"), ID3album);
    row(3, QStringLiteral("Year:"), ID3year, 0, 1);
    row(3, QStringLiteral("Track #:"), ID3track, 2, 1);
    row(4, QStringLiteral("Genre:"), ID3genre);
    row(5, QStringLiteral("Comment:"), ID3comment);
    grid->setColumnStretch(1, 1);

    aSaveTag = new QAction(QStringLiteral("&Save Tag"), this);
    aSaveTag->setObjectName(QStringLiteral("aSaveTag"));
    aRemoveTag = new QAction(QStringLiteral("&Remove Tag"), this);
    aRemoveTag->setObjectName(QStringLiteral("aRemoveTag"));
    bLoadTag = makeButton(QStringLiteral("bLoadTag"), QStringLiteral("&Load Tag..."), this);
    bSaveTag = makeButton(QStringLiteral("bSaveTag"), aSaveTag->text(), this);
    bRemoveTag = makeButton(QStringLiteral("bRemoveTag"), aRemoveTag->text(), this);
    bSaveAS = makeButton(QStringLiteral("bSaveAS"), QStringLiteral("&Save As..."), this);
    bClose = makeButton(QStringLiteral("bClose"), QStringLiteral("&Close"), this);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {bLoadTag, bSaveTag, bRemoveTag, bSaveAS}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(bClose);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bLoadTag, &QPushButton::clicked, this, &TfrmID3Edit::suitempbLoadTagClick);
    connect(bSaveTag, &QPushButton::clicked, aSaveTag, &QAction::trigger);
    connect(bRemoveTag, &QPushButton::clicked, aRemoveTag, &QAction::trigger);
    connect(bSaveAS, &QPushButton::clicked, this, &TfrmID3Edit::suitempbSaveASClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(aSaveTag, &QAction::triggered, this, &TfrmID3Edit::aSaveTagExecute);
    connect(aRemoveTag, &QAction::triggered, this, &TfrmID3Edit::aRemoveTagExecute);
    connect(aSaveTag, &QAction::enabledChanged, bSaveTag, &QPushButton::setEnabled);
    connect(aRemoveTag, &QAction::enabledChanged, bRemoveTag, &QPushButton::setEnabled);
    connect(this, &QWidget::windowTitleChanged, this, &TfrmID3Edit::aSaveTagUpdate);
}

void TfrmID3Edit::FormCreate()
{
    setWindowTitle(caption);
    aSaveTagUpdate();
    ColourScheme::apply(this, settings().SkinIndex);
}

void TfrmID3Edit::aSaveTagUpdate()
{
    const bool loaded = windowTitle() != caption;
    aSaveTag->setEnabled(loaded);
    aRemoveTag->setEnabled(loaded);
}

void TfrmID3Edit::clearFields()
{
    for (QLineEdit* edit : {ID3title, ID3artist, ID3album, ID3year, ID3comment}) {
        edit->clear();
    }
    ID3genre->setCurrentIndex(-1);
    ID3track->setText(QStringLiteral("0"));
}

void TfrmID3Edit::showTag()
{
    ID3title->setText(m_tag.title());
    ID3artist->setText(m_tag.artist());
    ID3album->setText(m_tag.album());
    ID3year->setText(m_tag.year());
    ID3comment->setText(m_tag.comment());
    ID3genre->setCurrentIndex(Genres::listPositionOfGenre(m_tag.genre()));
    ID3track->setText(QString::number(m_tag.track()));
}

void TfrmID3Edit::fillTag()
{
    m_tag.setTitle(ID3title->text().left(kFieldLimit));
    m_tag.setArtist(ID3artist->text().left(kFieldLimit));
    m_tag.setAlbum(ID3album->text().left(kFieldLimit));
    m_tag.setYear(ID3year->text().left(kFieldLimit));
    m_tag.setGenre(Genres::genreOfListPosition(ID3genre->currentIndex()));
    m_tag.setComment(ID3comment->text().left(kFieldLimit));
    if (!ID3track->text().isEmpty()) {
        m_tag.setTrack(static_cast<std::uint8_t>(ID3track->text().toInt()));
    }
}

QString TfrmID3Edit::chooseFile()
{
    Prompt::FileDialog dialog;
    dialog.title = QStringLiteral("Open");
    dialog.filter = filter;
    const QStringList chosen = Prompt::instance().openFiles(dialog);
    return chosen.isEmpty() ? QString() : chosen.first();
}

void TfrmID3Edit::suitempbLoadTagClick()
{
    const QString path = chooseFile();
    if (path.isEmpty()) {
        return;
    }
    // A fresh tag for every file: a file that cannot be opened must neither leave the
    // previous file as the one "Save Tag" writes, nor lend it its track number.
    m_tag = Tid3tag();
    if (m_tag.read(path) < 256) {
        showTag();
    } else {
        clearFields();
    }
    setWindowTitle(caption + QStringLiteral(": ") + path);
}

void TfrmID3Edit::aSaveTagExecute()
{
    fillTag();
    if (m_tag.save(QStringLiteral("=")) >= 256) {
        Prompt::instance().information(kCouldNotSave);
    }
}

void TfrmID3Edit::aRemoveTagExecute()
{
    if (Prompt::instance().question(QStringLiteral("Do you want to remove these tags?"), Prompt::Answer::No) !=
        Prompt::Answer::Yes) {
        return;
    }
    m_tag.remove();
    clearFields();
}

void TfrmID3Edit::suitempbSaveASClick()
{
    const QString path = chooseFile();
    if (path.isEmpty()) {
        return;
    }
    fillTag();
    // A copy writes the other file, so the tag's own last file stays the one that was
    // loaded: "Save Tag" and "Remove Tag" keep working on it.
    Tid3tag copy = m_tag;
    if (copy.save(path) < 256) {
        setWindowTitle(caption + QStringLiteral(": ") + path);
    } else {
        Prompt::instance().information(kCouldNotSave);
    }
}
