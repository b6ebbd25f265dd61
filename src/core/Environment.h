#pragma once

#include <QString>

// The folders and files the program reads and writes, which a test aims elsewhere. Empty: the per-user default,
// or the folder of the program. Everything the program talks to goes through a Check's Io instead.
struct Environment
{
    QString dataFolder;
    QString settingsFile;
    QString programFolder;
    QString resolvConfPath = QStringLiteral("/etc/resolv.conf");

    static Environment& current();
};
