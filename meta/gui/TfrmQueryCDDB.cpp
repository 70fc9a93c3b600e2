#include "meta/gui/TfrmQueryCDDB.h"

#include "cd/CddbClientIdentity.h"
#include "meta/gui/TfrmStopQuery.h"
#include "platform/Prompt.h"
#include "settings/SettingsStore.h"
#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

QStringList TfrmQueryCDDB::serverList()
{
    return {SettingsStore::defaultServer(),  QStringLiteral("freedb.dbpoweramp.com"), QStringLiteral("at.freedb.org"),
            QStringLiteral("au.freedb.org"), QStringLiteral("ca.freedb.org"),         QStringLiteral("de.freedb.org"),
            QStringLiteral("es.freedb.org"), QStringLiteral("fi.freedb.org"),         QStringLiteral("jp.freedb.org"),
            QStringLiteral("ru.freedb.org"), QStringLiteral("uk.freedb.org"),         QStringLiteral("gnudb.org")};
}

QString TfrmQueryCDDB::defaultScript()
{
    return QStringLiteral("/~cddb/cddb.cgi");
}

TfrmQueryCDDB::TfrmQueryCDDB(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmQueryCDDB"));
    setWindowTitle(QStringLiteral("Query CDDB"));

    GroupBox1 = new QGroupBox(QStringLiteral("Server"), this);
    Label1 = new QLabel(QStringLiteral("Freedb Server:"), GroupBox1);
    cbServer = new QComboBox(GroupBox1);
    cbServer->setObjectName(QStringLiteral("cbServer"));
    cbServer->setEditable(true);
    cbServer->setInsertPolicy(QComboBox::NoInsert);
    cbServer->addItems(serverList());
    cbServer->setMinimumContentsLength(24);
    Label1->setBuddy(cbServer);
    Label2 = new QLabel(QStringLiteral("Query Script:"), GroupBox1);
    eScript = new QLineEdit(GroupBox1);
    eScript->setObjectName(QStringLiteral("eScript"));
    Label2->setBuddy(eScript);
    lEmail = new QLabel(QStringLiteral("E-mail address:"), GroupBox1);
    eEmail = new QLineEdit(GroupBox1);
    eEmail->setObjectName(QStringLiteral("eEmail"));
    eEmail->setPlaceholderText(SettingsStore::defaultEmail());
    eEmail->setAccessibleName(QStringLiteral("E-mail address"));
    eEmail->setAccessibleDescription(QStringLiteral("Sent to the CDDB server, which may refuse unknown addresses"));
    lEmail->setBuddy(eEmail);
    lEmailHint = new QLabel(GroupBox1);
    lEmailHint->setObjectName(QStringLiteral("lEmailHint"));
    lEmailHint->setWordWrap(true);
    lEmailHint->hide();
    connect(eEmail, &QLineEdit::textChanged, this, &TfrmQueryCDDB::eEmailChange);
    auto* serverGrid = new QGridLayout(GroupBox1);
    serverGrid->addWidget(Label1, 0, 0);
    serverGrid->addWidget(cbServer, 0, 1);
    serverGrid->addWidget(Label2, 1, 0);
    serverGrid->addWidget(eScript, 1, 1);
    serverGrid->addWidget(lEmail, 2, 0);
    serverGrid->addWidget(eEmail, 2, 1);
    serverGrid->addWidget(lEmailHint, 3, 0, 1, 2);

    GroupBox2 = new QGroupBox(QStringLiteral("Proxy server"), this);
    cbProxy = new QCheckBox(QStringLiteral("Use a proxy server"), GroupBox2);
    cbProxy->setObjectName(QStringLiteral("cbProxy"));
    Label3 = new QLabel(QStringLiteral("Address:"), GroupBox2);
    eAddress = new QLineEdit(GroupBox2);
    eAddress->setObjectName(QStringLiteral("eAddress"));
    eAddress->setEnabled(false);
    Label3->setBuddy(eAddress);
    lPort = new QLabel(QStringLiteral("Port:"), GroupBox2);
    ePort = new QLineEdit(GroupBox2);
    ePort->setObjectName(QStringLiteral("ePort"));
    ePort->setEnabled(false);
    ePort->setMaximumWidth(70);
    lPort->setBuddy(ePort);
    auto* proxyGrid = new QGridLayout(GroupBox2);
    proxyGrid->addWidget(cbProxy, 0, 0, 1, 4);
    proxyGrid->addWidget(Label3, 1, 0);
    proxyGrid->addWidget(eAddress, 1, 1);
    proxyGrid->addWidget(lPort, 1, 2);
    proxyGrid->addWidget(ePort, 1, 3);
    connect(cbProxy, &QCheckBox::toggled, this, &TfrmQueryCDDB::suitempcbProxyClick);

    bDefault = new QPushButton(QStringLiteral("Default"), this);
    bDefault->setObjectName(QStringLiteral("bDefault"));
    bQuery = new QPushButton(QStringLiteral("Query"), this);
    bQuery->setObjectName(QStringLiteral("bQuery"));
    bQuery->setDefault(true);
    bClose = new QPushButton(QStringLiteral("Close"), this);
    bClose->setObjectName(QStringLiteral("bClose"));
    connect(bDefault, &QPushButton::clicked, this, &TfrmQueryCDDB::suitempbDefaultClick);
    connect(bQuery, &QPushButton::clicked, this, &TfrmQueryCDDB::suitempbQueryClick);
    connect(bClose, &QPushButton::clicked, this, &TfrmQueryCDDB::bCloseClick);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bDefault);
    buttons->addStretch(1);
    buttons->addWidget(bQuery);
    buttons->addWidget(bClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FormCreate();
}

void TfrmQueryCDDB::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

void TfrmQueryCDDB::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TfrmQueryCDDB::FormShow()
{
    const TSettings& s = settings();
    const QStringList servers = serverList();
    const qsizetype index = servers.indexOf(s.Server);
    cbServer->setCurrentIndex(index < 0 ? 0 : static_cast<int>(index));
    cbServer->setEditText(cbServer->currentText());
    eScript->setText(s.Script);
    cbProxy->setChecked(s.UseProxy);
    eAddress->setText(s.ProxyAddress);
    ePort->setText(s.Port);
    eEmail->setText(s.Email);
    suitempcbProxyClick();
}

void TfrmQueryCDDB::eEmailChange()
{
    const QString problem = tarnwick::cddb::userAddressFor(eEmail->text()).problem;
    lEmailHint->setText(problem);
    lEmailHint->setVisible(!problem.isEmpty());
}

void TfrmQueryCDDB::suitempcbProxyClick()
{
    eAddress->setEnabled(cbProxy->isChecked());
    ePort->setEnabled(cbProxy->isChecked());
}

void TfrmQueryCDDB::suitempbDefaultClick()
{
    cbServer->setCurrentIndex(0);
    cbServer->setEditText(cbServer->itemText(0));
    eScript->setText(defaultScript());
    cbProxy->setChecked(false);
    suitempcbProxyClick();
}

void TfrmQueryCDDB::suitempbQueryClick()
{
    TSettings& s = settings();
    s.Server = cbServer->currentText();
    s.Script = eScript->text();
    s.UseProxy = cbProxy->isChecked();
    s.ProxyAddress = eAddress->text();
    s.Port = ePort->text();
    s.Email = eEmail->text().trimmed();

    TfrmStopQuery stop(this);
    stop.firstTrack = firstTrack;
    stop.lastTrack = lastTrack;
    stop.cdHandle = cdHandle;
    stop.trackList = trackList;
    if (Prompt::instance().execWindow(&stop) == TfrmStopQuery::resultYes) {
        accept();
    }
}

void TfrmQueryCDDB::bCloseClick()
{
    reject();
}
