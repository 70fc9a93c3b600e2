#include "meta/gui/TfrmEditTrackName.h"
#include "settings/TSettings.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(EditTrackName, OkOnlyWithText)
{
    settings() = TSettings{};
    TfrmEditTrackName form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Rename Track Title"));
    ASSERT_NE(form.findChild<QGroupBox*>(), nullptr);
    EXPECT_EQ(form.findChild<QGroupBox*>()->title(), QStringLiteral("Please enter the new track title"));
    EXPECT_EQ(form.bOK->text(), QStringLiteral("&OK"));
    EXPECT_EQ(form.bCancel->text(), QStringLiteral("&Cancel"));
    EXPECT_FALSE(form.bOK->isEnabled());

    form.eName->setText(QStringLiteral("Track01"));
    EXPECT_TRUE(form.bOK->isEnabled());
    EXPECT_TRUE(form.aOK->isEnabled());
    form.eName->clear();
    EXPECT_FALSE(form.bOK->isEnabled());
    EXPECT_FALSE(form.aOK->isEnabled());
}

TEST(EditTrackName, ErasedTitleCannotBeConfirmedEvenWithReturn)
{
    TfrmEditTrackName form;
    form.eName->setText(QStringLiteral("Old"));
    form.show();
    form.eName->clear();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form.eName, &enter);
    form.aOKExecute();
    EXPECT_TRUE(form.isVisible());
    EXPECT_NE(form.result(), QDialog::Accepted);
}

TEST(EditTrackName, ShowSelectsTheWholeTitleAndOkAccepts)
{
    TfrmEditTrackName form;
    form.eName->setText(QStringLiteral("Track03"));
    form.show();
    form.activateWindow();
    EXPECT_EQ(form.eName->selectedText(), QStringLiteral("Track03"));
    EXPECT_EQ(form.focusWidget(), form.eName);
    form.bOK->click();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.isVisible());
}

TEST(EditTrackName, CancelRejects)
{
    TfrmEditTrackName form;
    form.eName->setText(QStringLiteral("Track03"));
    form.show();
    form.bCancel->click();
    EXPECT_EQ(form.result(), QDialog::Rejected);
}

} // namespace
