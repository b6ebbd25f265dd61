#pragma once

#include "core/WatchList.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>

// How the watch list reads in the window: its rows, its copy, the messages about what changed, and the names a
// user types into it.
namespace WatchText {

// The columns of the list, left to right.
QStringList headings();
// One row under those headings on `today`; the times in local time.
QStringList row(const WatchEntry& entry, const QDate& today);
// "2031-03-04 (1546 days left)", "2020-01-01 (expired 3 days ago)"; a WHOIS expiry line where no date was read.
QString expiry(const WatchEntry& entry, const QDate& today);
// Rows as tab-separated text, one line each, LF after each.
QString tsv(const QList<QStringList>& rows);

// The tray's message about the outcomes that changed: a title, and one line per changed name.
struct Notice
{
    QString title;
    QString text;
};
// Nothing when no outcome changed.
std::optional<Notice> notice(const QList<Watch::Outcome>& outcomes);
// What the main window says of changes it could not show in the tray.
QString changedText(int count);

// The names typed to be watched, each as typed and in ASCII form; or why they cannot be.
struct Typed
{
    QList<std::pair<QString, QString>> names;
    std::optional<QString> refusal;
};
Typed typedNames(const QString& text);
// Said of a name without its top-level domain.
QString bareNameText(const QString& typed);

} // namespace WatchText
