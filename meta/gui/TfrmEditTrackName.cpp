#include "meta/gui/TfrmEditTrackName.h"

#include "settings/TSettings.h"
#include "skins/ColourScheme.h"

#include <QAction>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmEditTrackName::TfrmEditTrackName(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmEditTrackName"));
    setWindowTitle(QStringLiteral("Rename Track Title"));

    auto* group = new QGroupBox(QStringLiteral("Please enter the new track title"), this);
    group->setObjectName(QStringLiteral("GroupBox1"));
    eName = new QLineEdit(group);
    eName->setObjectName(QStringLiteral("eName"));
    eName->setMinimumWidth(300);
    eName->setAccessibleName(QStringLiteral("New track title"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(eName);

    aOK = new QAction(QStringLiteral("&OK"), this);
    aOK->setObjectName(QStringLiteral("aOK"));
    bOK = new QPushButton(aOK->text(), this);
    bOK->setObjectName(QStringLiteral("bOK"));
    bOK->setDefault(true);
    bCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bOK, &QPushButton::clicked, aOK, &QAction::trigger);
    connect(aOK, &QAction::triggered, this, &TfrmEditTrackName::aOKExecute);
    connect(aOK, &QAction::enabledChanged, bOK, &QPushButton::setEnabled);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(eName, &QLineEdit::textChanged, this, &TfrmEditTrackName::aOKUpdate);

    FormCreate();
    aOKUpdate();
}

void TfrmEditTrackName::FormCreate()
{
    ColourScheme::apply(this, settings().SkinIndex);
}

void TfrmEditTrackName::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TfrmEditTrackName::FormShow()
{
    eName->selectAll();
    eName->setFocus();
}

void TfrmEditTrackName::aOKUpdate()
{
    aOK->setEnabled(!eName->text().isEmpty());
}

void TfrmEditTrackName::aOKExecute()
{
    // Return on an erased title must not confirm it either, whatever the button shows.
    if (!eName->text().isEmpty()) {
        accept();
    }
}
