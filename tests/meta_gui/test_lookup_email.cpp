#include "LookupTestKit.h"

#include "meta/gui/TfrmQueryCDDB.h"
#include "settings/TSettings.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

struct GreetingCase
{
    const char* name;
    QString stored; // Email of the settings when the window opens
    QString typed;  // typed into the window before "Query"; null: left as shown
    QByteArray hello;
    bool hintShown;
};

class LookupGreeting : public LookupTest, public ::testing::WithParamInterface<GreetingCase>
{
};

// The server hears the user's own address as user and host, the default one when none is
// set, and the default one (with a hint in the window) when the text is no address.
TEST_P(LookupGreeting, CarriesTheAddressOfTheWindow)
{
    const GreetingCase& c = GetParam();
    settings().Email = c.stored;
    m_server.addEntry("rock", discId(), "A / B", entry("A", {"x", "y", "z"}));
    bool hintShown = false;
    pressQuery([&](TfrmQueryCDDB& form) {
        EXPECT_EQ(form.eEmail->text(), c.stored);
        if (!c.typed.isNull()) {
            form.eEmail->setText(c.typed);
        }
        hintShown = form.lEmailHint->isVisible();
    });
    const QList<CddbTestServer::Request> requests = m_server.requests();
    ASSERT_FALSE(requests.isEmpty());
    for (const CddbTestServer::Request& request : requests) {
        EXPECT_EQ(request.hello, c.hello + " Tarnwick 1.0");
    }
    EXPECT_EQ(hintShown, c.hintShown);
    // What the window showed when "Query" was pressed is what is stored.
    EXPECT_EQ(settings().Email, (c.typed.isNull() ? c.stored : c.typed).trimmed());
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, LookupGreeting,
    ::testing::Values(
        GreetingCase{"Stored", QStringLiteral("jo@example.org"), QString(), "jo example.org", false},
        GreetingCase{"Typed", QStringLiteral("jo@example.org"), QStringLiteral(" ann@mail.example "),
                     "ann mail.example", false},
        GreetingCase{"DefaultWhenEmpty", QString(), QString(), "tarnwick users.invalid", false},
        GreetingCase{"DefaultForNoAddress", QStringLiteral("jo at home"), QString(), "tarnwick users.invalid", true},
        GreetingCase{"DefaultForTwoAts", QString(), QStringLiteral("jo@a@b"), "tarnwick users.invalid", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LookupTest, AddressFieldIsNamedAndSurvivesTheDefaultButton)
{
    settings().Email = QStringLiteral("jo@example.org");
    TfrmQueryCDDB form;
    form.show();
    EXPECT_EQ(form.eEmail->accessibleName(), QStringLiteral("E-mail address"));
    EXPECT_EQ(form.lEmail->buddy(), form.eEmail);
    EXPECT_EQ(form.lEmail->text(), QStringLiteral("E-mail address:"));
    EXPECT_TRUE(form.GroupBox1->isAncestorOf(form.eEmail));
    EXPECT_FALSE(form.lEmailHint->isVisible());
    form.eEmail->setText(QStringLiteral("not an address"));
    EXPECT_TRUE(form.lEmailHint->isVisible());
    EXPECT_TRUE(form.lEmailHint->text().contains(QStringLiteral("tarnwick@users.invalid is sent instead")));
    form.eEmail->setText(QStringLiteral("jo@example.org"));
    EXPECT_FALSE(form.lEmailHint->isVisible());
    // The defaults are the server's; the address is the user's own.
    form.bDefault->click();
    EXPECT_EQ(form.eEmail->text(), QStringLiteral("jo@example.org"));
}

} // namespace
