#pragma once

#include "whois/Rdap.h"

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class RdapClient;
struct RdapOutcome;

// The registration details of one taken name, asked of its registry's RDAP service when the window opens: who
// holds it through which registrar, since when, until when, its status and name servers. Cancel stops the
// question; when no details come, one line says why and the WHOIS lookup is offered instead.
class frmDetails final : public QDialog
{
    Q_OBJECT

public:
    // domain in the form the run asked; typed as the user wrote it; service the base address of the RDAP service.
    frmDetails(const QString& domain, const QString& typed, const QString& service, const Rdap::Policy& policy,
               QWidget* parent = nullptr);
    ~frmDetails() override;

    bool waiting() const;
    void butCancel_Click();

    QLabel* lblState = nullptr;
    QPlainTextEdit* txtDetails = nullptr;
    QLabel* lblLink = nullptr;
    QPushButton* butWhois = nullptr;
    // Puts the name on the watch list; hidden where it is watched already.
    QPushButton* butWatch = nullptr;
    QPushButton* butCancel = nullptr;

Q_SIGNALS:
    void whoisLookupRequested(const QString& domain);
    void watchRequested(const QString& typed, const QString& ascii);

private:
    void onFinished(const RdapOutcome& outcome);

    const QString m_domain;
    const QString m_typed;
    QString m_host;
    RdapClient* m_rdap = nullptr;
};
