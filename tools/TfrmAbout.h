#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QToolButton;
class TLinkLabel;

// "About Tarnwick": the product, its version, its maker and its links.
class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    void FormCreate();
    void lbEAddressClick();
    void Image3Click();
    void bOKClick();

    QLabel* Image1 = nullptr; // banner
    QLabel* Image2 = nullptr; // program icon
    QLabel* lbProduct = nullptr;
    QLabel* lbVersion = nullptr;
    QLabel* lbMaker = nullptr;
    QLabel* lbMail = nullptr;
    TLinkLabel* lbEAddress = nullptr;
    QToolButton* Image3 = nullptr;
    QPushButton* bOK = nullptr;
};
