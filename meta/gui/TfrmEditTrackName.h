#pragma once

#include <QDialog>

class QAction;
class QLineEdit;
class QPushButton;

// "Rename Track Title": asks for a new title of one track. The opener puts the current
// title into eName and takes the text back only when the dialog ends with OK.
class TfrmEditTrackName : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmEditTrackName(QWidget* parent = nullptr);

    void FormCreate();
    void FormShow();
    void aOKUpdate();
    void aOKExecute();

    QLineEdit* eName = nullptr;
    QAction* aOK = nullptr;
    QPushButton* bOK = nullptr;
    QPushButton* bCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};
