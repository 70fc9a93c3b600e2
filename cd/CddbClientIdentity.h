#pragma once

#include <QString>

// Who the program says it is to a CDDB server: the user's e-mail address, sent in the
// greeting as user and host, and the client name with its version. Public servers refuse
// requests whose address they do not know ("500 Unknown developer email") and ask that
// every user can send an address of their own, so the address is a setting (Email of
// [QueryCDDB]); the client name is ours and fixed.
namespace tarnwick::cddb {

inline constexpr char clientIdentification[] = "Tarnwick 1.0";

// The address to send for the configured text, and why the configured one is not sent
// when it cannot be (empty when it is sent, or when nothing was configured).
struct UserAddress
{
    QString address;
    QString problem;
};

// An address is sent as typed (trimmed) when it is one name, one '@' and one host, with
// no blanks or control characters; an empty text, or one that is not such an address,
// gives the default address.
UserAddress userAddressFor(const QString& configured);

// A failure text that is the server's 5xx refusal of the address in the greeting.
bool refusesUserAddress(const QString& failure);

// The failure as the user reads it: the server's words, and for a refused address what
// to do about it.
QString failureText(const QString& failure, const QString& addressSent);

} // namespace tarnwick::cddb
