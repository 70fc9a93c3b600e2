#include "cd/CddbClientIdentity.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace {

using tarnwick::cddb::failureText;
using tarnwick::cddb::refusesUserAddress;
using tarnwick::cddb::userAddressFor;

struct AddressCase
{
    const char* name;
    QString typed;
    QString sent; // empty: the default address
    bool complaint;
};

class UserAddress : public ::testing::TestWithParam<AddressCase>
{
};

TEST_P(UserAddress, IsSentOrReplacedByTheDefault)
{
    const AddressCase& c = GetParam();
    const tarnwick::cddb::UserAddress result = userAddressFor(c.typed);
    EXPECT_EQ(result.address, c.sent.isEmpty() ? SettingsStore::defaultEmail() : c.sent);
    EXPECT_EQ(!result.problem.isEmpty(), c.complaint) << result.problem.toStdString();
    if (c.complaint) {
        // The user is told what was typed and what goes out instead.
        EXPECT_TRUE(result.problem.contains(c.typed.trimmed()));
        EXPECT_TRUE(result.problem.contains(SettingsStore::defaultEmail()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UserAddress,
    ::testing::Values(AddressCase{"Own", QStringLiteral("jo@example.org"), QStringLiteral("jo@example.org"), false},
                      AddressCase{"Trimmed", QStringLiteral("  jo@example.org\t"), QStringLiteral("jo@example.org"),
                                  false},
                      AddressCase{"NothingTyped", QString(), QString(), false},
                      AddressCase{"OnlyBlanks", QStringLiteral("   "), QString(), false},
                      AddressCase{"NoAt", QStringLiteral("jo.example.org"), QString(), true},
                      AddressCase{"TwoAts", QStringLiteral("jo@home@example.org"), QString(), true},
                      AddressCase{"Blank", QStringLiteral("jo smith@example.org"), QString(), true},
                      AddressCase{"Control", QStringLiteral("jo\x01@example.org"), QString(), true},
                      AddressCase{"NoName", QStringLiteral("@example.org"), QString(), true},
                      AddressCase{"NoHost", QStringLiteral("jo@"), QString(), true}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalCase
{
    const char* name;
    const char* failure;
    bool aboutTheAddress;
};

class AddressRefusal : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(AddressRefusal, GetsAdviceOnlyWhenTheAddressWasRefused)
{
    const QString failure = QString::fromUtf8(GetParam().failure);
    EXPECT_EQ(refusesUserAddress(failure), GetParam().aboutTheAddress);
    const QString shown = failureText(failure, QStringLiteral("jo@example.org"));
    EXPECT_TRUE(shown.startsWith(failure));
    EXPECT_EQ(shown.contains(QStringLiteral("Set your own e-mail address in the lookup window")),
              GetParam().aboutTheAddress)
        << shown.toStdString();
    EXPECT_EQ(shown.contains(QStringLiteral("jo@example.org")), GetParam().aboutTheAddress);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, AddressRefusal,
    ::testing::Values(RefusalCase{"UnknownDeveloperEmail", "500 Unknown developer email", true},
                      RefusalCase{"InvalidHello", "501 Invalid hello", true},
                      RefusalCase{"ServerError", "500 Internal server error", false},
                      RefusalCase{"NotFoundMentioningMail", "404 no such e-mail", false},
                      RefusalCase{"Transport", "127.0.0.1 closed the connection without an answer", false},
                      RefusalCase{"FiveHundredInsideText", "no answer from 500.example within 1 s", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
