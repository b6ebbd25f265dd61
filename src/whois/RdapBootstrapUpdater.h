#pragma once

#include "whois/Rdap.h"
#include "whois/RdapBootstrap.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;

class QTimer;

// Keeps the user's copy of the RDAP directory fresh: at most once a week it asks the directory's address, with a
// conditional request, and stores a newer valid directory in the user's data folder. It works in the
// background and never tells the user anything: any failure keeps the copy in hand.
class RdapBootstrapUpdater final : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultTimeLimit = 60 * 1000;

    explicit RdapBootstrapUpdater(QObject* parent = nullptr);
    ~RdapBootstrapUpdater() override;

    void setTimeLimit(int ms) { m_timeLimit = ms; }

    // The program's own updater, made on first use and kept as long as the application: a fetch outlives the
    // confirmation that started it. With make false, nothing is made.
    static RdapBootstrapUpdater* program(bool make = true);

    // Starts a fetch from the policy's address when one is due and none runs; true when one started.
    bool startIfDue(const RdapBootstrap& inHand, const Rdap::DirectoryFiles& files, const Rdap::Policy& policy,
                    const QDateTime& now = QDateTime::currentDateTimeUtc());
    bool isBusy() const { return m_reply != nullptr; }

Q_SIGNALS:
    // The fetch is over; replaced tells whether a new copy was stored.
    void finished(bool replaced);

private:
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void finish(bool replaced);
    void dropReply();

    QNetworkAccessManager* m_network = nullptr;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_timer = nullptr;
    int m_timeLimit = DefaultTimeLimit;
    RdapBootstrap m_inHand;
    Rdap::DirectoryFiles m_files;
    QByteArray m_body;
    bool m_tooBig = false;
    // When this updater last attempted a fetch: a state file that cannot be written must not bring another
    // attempt within the week.
    QDateTime m_lastAttempt;
};
