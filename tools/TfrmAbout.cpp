#include "tools/TfrmAbout.h"

#include "common/ProductInfo.h"
#include "platform/gui/Shell.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"
#include "skins/SchemePictures.h"
#include "tools/AboutPictures.h"
#include "tools/TLinkLabel.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Tarnwick"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(AboutPictures::banner(380, 64));
    Image1->setAccessibleName(QStringLiteral("Tarnwick banner"));
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(AboutPictures::programIcon(48));
    Image2->setAccessibleName(QStringLiteral("Program icon"));
    Image2->setAlignment(Qt::AlignTop);

    lbProduct = new QLabel(ProductInfo::name, this);
    lbProduct->setObjectName(QStringLiteral("lbProduct"));
    QFont big = lbProduct->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.4);
    lbProduct->setFont(big);
    lbVersion = new QLabel(ProductInfo::versionLine, this);
    lbVersion->setObjectName(QStringLiteral("lbVersion"));
    lbMaker = new QLabel(ProductInfo::makerLine, this);
    lbMaker->setObjectName(QStringLiteral("lbMaker"));
    lbMail = new QLabel(QStringLiteral("E-mail: ") + ProductInfo::supportMail, this);
    lbMail->setObjectName(QStringLiteral("lbMail"));
    lbMail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    lbEAddress = new TLinkLabel(ProductInfo::homePage, this);
    lbEAddress->setObjectName(QStringLiteral("lbEAddress"));

    Image3 = new QToolButton(this);
    Image3->setObjectName(QStringLiteral("Image3"));
    Image3->setIcon(SchemePictures::icon(SchemePictures::Picture::Heart, Image3));
    Image3->setIconSize(QSize(32, 32));
    Image3->setAutoRaise(true);
    Image3->setCursor(Qt::PointingHandCursor);
    Image3->setToolTip(QStringLiteral("Support Tarnwick with a donation"));
    Image3->setAccessibleName(QStringLiteral("Donate"));

    bOK = new QPushButton(QStringLiteral("OK"), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);

    auto* texts = new QVBoxLayout;
    for (QWidget* line :
         std::initializer_list<QWidget*>{lbProduct, lbVersion, lbMaker, lbMail, separator, lbEAddress}) {
        texts->addWidget(line);
    }
    auto* body = new QHBoxLayout;
    body->addWidget(Image2, 0, Qt::AlignTop);
    body->addSpacing(8);
    body->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Image3);
    buttons->addStretch();
    buttons->addWidget(bOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Image1);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(lbEAddress, &TLinkLabel::clicked, this, &TfrmAbout::lbEAddressClick);
    connect(Image3, &QToolButton::clicked, this, &TfrmAbout::Image3Click);
    connect(bOK, &QPushButton::clicked, this, &TfrmAbout::bOKClick);

    FormCreate();
}

void TfrmAbout::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

void TfrmAbout::lbEAddressClick()
{
    Shell::openUrl(ProductInfo::homePage);
}

void TfrmAbout::Image3Click()
{
    Shell::openUrl(ProductInfo::donationPage);
}

void TfrmAbout::bOKClick()
{
    accept();
}
