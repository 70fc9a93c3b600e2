#include "cd/CddbClientIdentity.h"

#include "settings/SettingsStore.h"

#include <QRegularExpression>
#include <algorithm>

namespace tarnwick::cddb {

namespace {

bool isSendable(const QString& address)
{
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0 || at == address.size() - 1 || address.indexOf(QLatin1Char('@'), at + 1) >= 0) {
        return false;
    }
    // The greeting is made of words: a blank would split the address into two of them.
    return std::none_of(address.begin(), address.end(),
                        [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

} // namespace

UserAddress userAddressFor(const QString& configured)
{
    const QString typed = configured.trimmed();
    if (typed.isEmpty()) {
        return {SettingsStore::defaultEmail(), QString()};
    }
    if (isSendable(typed)) {
        return {typed, QString()};
    }
    return {SettingsStore::defaultEmail(),
            QStringLiteral("\"%1\" is not an e-mail address (one name, one @ and a host, without blanks); "
                           "%2 is sent instead.")
                .arg(typed, SettingsStore::defaultEmail())};
}

bool refusesUserAddress(const QString& failure)
{
    // "500 Unknown developer email", "501 Invalid hello", "530 user not registered": a
    // refusal of the 5xx kind that names the greeting or the address in it.
    static const QRegularExpression refusal(QStringLiteral("^5\\d\\d\\b.*\\b(e-?mail|address|hello|user)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return refusal.match(failure.trimmed()).hasMatch();
}

QString failureText(const QString& failure, const QString& addressSent)
{
    if (!refusesUserAddress(failure)) {
        return failure;
    }
    return failure + QStringLiteral("\nThe server did not accept the e-mail address %1. Set your own e-mail "
                                    "address in the lookup window (or under Options, CD-ROM) and query again.")
                         .arg(addressSent);
}

} // namespace tarnwick::cddb
