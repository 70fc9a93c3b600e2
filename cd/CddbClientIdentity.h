#pragma once

// Who the program says it is to a CDDB server: the user address of the greeting and the
// client name with its version. Public servers may refuse a client they do not know
// ("500 Unknown developer email"); a registered pair replaces these two and nothing else.
namespace tarnwick::cddb {

inline constexpr char clientUserAddress[] = "tarnwick@users.invalid";
inline constexpr char clientIdentification[] = "Tarnwick 1.0";

} // namespace tarnwick::cddb
