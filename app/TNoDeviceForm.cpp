#include "app/TNoDeviceForm.h"

#include "platform/gui/Shell.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString TNoDeviceForm::adaptecAddress()
{
    return QStringLiteral("https://www.adaptec.com/en-us/downloads/");
}

QString TNoDeviceForm::forceAspiAddress()
{
    return QStringLiteral("https://www.google.com/search?q=ForceASPI+1.8");
}

TNoDeviceForm::TNoDeviceForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNoDeviceForm"));
    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* lines = new QVBoxLayout(panel);
    const QStringList texts{
        QStringLiteral("The Software couldn't find CD devices.Please check the following problems:"),
        QStringLiteral("1.CD devices are locked by another application.Such as a CD player or a "),
        QStringLiteral("multimedia player or other CD ripper software."),
        QStringLiteral("2.Your right permissions: only Administrators or Power Users can directly "),
        QStringLiteral("access to low level SCSI/IDE interface API on Windows 2000/NT/XP."),
        QStringLiteral("3.Incorrect ASPI driver.Please install latest ASPI driver,you can downlaod"),
    };
    for (const QString& text : texts) {
        lines->addWidget(new QLabel(text, panel));
    }
    auto makeLink = [panel](const QString& text) {
        auto* link = new QLabel(QStringLiteral("<a href=\"#\">%1</a>").arg(text.toHtmlEscaped()), panel);
        link->setCursor(Qt::PointingHandCursor);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        return link;
    };
    auto* forceLine = new QHBoxLayout;
    forceLine->addWidget(new QLabel(QStringLiteral("ForceASPI(install tool include drivers)  from"), panel));
    m_lForceASPI = makeLink(QStringLiteral("ForceASPI 1.8"));
    m_lForceASPI->setObjectName(QStringLiteral("lForceASPI"));
    forceLine->addWidget(m_lForceASPI);
    forceLine->addStretch(1);
    lines->addLayout(forceLine);
    auto* adaptecLine = new QHBoxLayout;
    adaptecLine->addWidget(new QLabel(QStringLiteral("or drivers from Adaptec web site at"), panel));
    m_lAdaptec = makeLink(adaptecAddress());
    m_lAdaptec->setObjectName(QStringLiteral("lAdaptec"));
    adaptecLine->addWidget(m_lAdaptec);
    adaptecLine->addStretch(1);
    lines->addLayout(adaptecLine);
    connect(m_lAdaptec, &QLabel::linkActivated, this, &TNoDeviceForm::lAdaptecClick);
    connect(m_lForceASPI, &QLabel::linkActivated, this, &TNoDeviceForm::lForceASPIClick);

    auto* bClose = new QPushButton(QStringLiteral("&Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    bClose->setDefault(true);
    connect(bClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    FormCreate();
    setFixedSize(sizeHint());
}

void TNoDeviceForm::FormCreate()
{
    setWindowTitle(QStringLiteral("Tarnwick"));
    ColourScheme::apply(this, settings().SkinIndex);
}

void TNoDeviceForm::lAdaptecClick()
{
    Shell::openUrl(adaptecAddress());
}

void TNoDeviceForm::lForceASPIClick()
{
    Shell::openUrl(forceAspiAddress());
}
