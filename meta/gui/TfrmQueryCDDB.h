#pragma once

#include "cd/CDRecords.h"

#include <QDialog>
#include <QStringList>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The lookup window: the server settings and "Query", which stores them and runs the
// query behind the stop window. It closes when a query has ended and stays open after a
// stop, a "no match" or a failure, for another try. The e-mail address the server is
// told is the user's own (a setting), kept when the server settings go back to defaults.
class TfrmQueryCDDB : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmQueryCDDB(QWidget* parent = nullptr);

    // Set by the opener before the window is shown.
    std::uint8_t firstTrack = 1;
    std::uint8_t lastTrack = 1;
    CDHandle cdHandle = 0;
    QTreeWidget* trackList = nullptr;

    // The twelve servers of the list, the default server first.
    static QStringList serverList();
    static QString defaultScript();

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* cbServer = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* eScript = nullptr;
    QLabel* lEmail = nullptr;
    QLineEdit* eEmail = nullptr;
    QLabel* lEmailHint = nullptr; // shown while the typed address cannot be sent
    QGroupBox* GroupBox2 = nullptr;
    QCheckBox* cbProxy = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* eAddress = nullptr;
    QLabel* lPort = nullptr;
    QLineEdit* ePort = nullptr;
    QPushButton* bDefault = nullptr;
    QPushButton* bQuery = nullptr;
    QPushButton* bClose = nullptr;

    void FormCreate();
    void FormShow();
    void suitempcbProxyClick();
    void suitempbDefaultClick();
    void suitempbQueryClick();
    void bCloseClick();
    void eEmailChange();

protected:
    void showEvent(QShowEvent* event) override;
};
