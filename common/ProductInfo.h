#pragma once

#include <QString>

// The product's own addresses and names, written once for every window that shows them.
namespace ProductInfo {

inline const QString name = QStringLiteral("Tarnwick");
inline const QString versionLine = QStringLiteral("Version: 4.0   Bulid 20200927");
inline const QString makerLine = QStringLiteral("Made by the Tarnwick developers");
inline const QString supportMail = QStringLiteral("support@tarnwick.example.org");
inline const QString homePage = QStringLiteral("https://tarnwick.example.org/");
inline const QString donationPage = QStringLiteral("https://tarnwick.example.org/donate");

} // namespace ProductInfo
