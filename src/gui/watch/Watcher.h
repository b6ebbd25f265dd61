#pragma once

#include "check/WatchCheck.h"
#include "core/WatchList.h"
#include "core/WatchSchedule.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <utility>

// The watch list while the program runs, also hidden in the tray: names added and checked at once, the daily check
// of every name on its schedule, and what each check found. One check at a time; what is asked meanwhile waits
// for it. The windows only show it and ask it.
class Watcher final : public QObject
{
    Q_OBJECT

public:
    explicit Watcher(QObject* parent = nullptr);
    ~Watcher() override;

    // Reads the list, telling once of a damaged one, and waits for the daily check: at once when the last check
    // of some name is older than a day.
    void start();
    // The list as it stands; what stops it from being read is told, and the list is then empty.
    QList<WatchEntry> entries();
    // Adds names (as typed, ASCII form) and checks them.
    void watch(const QList<std::pair<QString, QString>>& names);
    void unwatch(const QStringList& asciis);
    // Checks every watched name.
    void checkAll();
    // Stops the check under way and keeps what it saw.
    void cancel();
    bool checking() const { return m_check; }
    // The check's last word about the name server, or why the last check could not be made.
    const QString& note() const { return m_note; }
    WatchSchedule& schedule() { return m_schedule; }

    // Names whose change was not told in the tray: the list marks them until its window is closed.
    const QSet<QString>& marked() const { return m_marked; }
    void mark(const QList<Watch::Outcome>& outcomes);
    void clearMarks();
    // The watch's clock.
    QDateTime now() const;

Q_SIGNALS:
    void listChanged();
    void checkingChanged();
    // A check found changes; every outcome of it, the unchanged too.
    void changed(const QList<Watch::Outcome>& outcomes);

private:
    void check(const QStringList& asciis, bool all);
    void onChecked();
    void tell(const std::optional<QString>& failure);

    WatchList m_list;
    WatchSchedule m_schedule;
    QPointer<WatchCheck> m_check;
    QList<WatchEntry> m_checking;
    bool m_checkingAll = false;
    // Asked while a check went on.
    QStringList m_waiting;
    bool m_waitingAll = false;
    QString m_note;
    QString m_told; // the last failure said
    QSet<QString> m_marked;
};
