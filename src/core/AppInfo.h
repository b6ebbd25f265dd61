#pragma once

#include <QString>

// The program's identity: caption stem, message-box caption, settings application name.
namespace AppInfo {
inline const QString Title = QStringLiteral("Orlevan");
constexpr int Major = 1;
constexpr int Minor = 2;
constexpr int Revision = 24;
inline const QString Maker = QStringLiteral("Brennmoor");
// The maker's home page: the Help menu and the about box both point here.
inline const QString HomePage = QStringLiteral("http://www.brennmoor.net");

// "Orlevan 1.2 from Brennmoor"
QString mainCaption();
// "Version 1.2.24"
QString versionText();
} // namespace AppInfo
