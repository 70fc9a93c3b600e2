#pragma once

#include "meta/Tid3tag.h"

#include <QDialog>

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

// "ID3 Tag Edit": loads the ID3v1 tag of an MP3 file, lets the user change its fields and
// writes it back into that file or into another one, or removes it. All file work is the
// tag class's; the window only moves values between the tag and its controls. The caption
// is the window's state: it names the file once one has been loaded.
class TfrmID3Edit : public QDialog
{
    Q_OBJECT
public:
    static const QString caption;
    static const QString filter;

    explicit TfrmID3Edit(QWidget* parent = nullptr);

    void FormCreate();
    void suitempbLoadTagClick();
    void aSaveTagExecute();
    void aSaveTagUpdate();
    void aRemoveTagExecute();
    void suitempbSaveASClick();

    // The editor's tag, which lives as long as the window.
    const Tid3tag& tag() const { return m_tag; }

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* ID3title = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QComboBox* ID3genre = nullptr;
    QLineEdit* ID3comment = nullptr;
    QLineEdit* ID3track = nullptr;

    QAction* aSaveTag = nullptr;
    QAction* aRemoveTag = nullptr;
    QPushButton* bLoadTag = nullptr;
    QPushButton* bSaveTag = nullptr;
    QPushButton* bRemoveTag = nullptr;
    QPushButton* bSaveAS = nullptr;
    QPushButton* bClose = nullptr;

private:
    void buildWindow();
    void clearFields();
    void showTag();
    void fillTag();
    QString chooseFile();

    Tid3tag m_tag;
};
