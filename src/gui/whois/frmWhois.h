#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class WhoisClient;

// Manual WHOIS lookups: any query to a chosen server, or to the server of the query's top-level domain.
// Modeless; closing it unloads it, and the next opening starts with an empty output and "Autodetect".
class frmWhois final : public QDialog
{
    Q_OBJECT

public:
    explicit frmWhois(QWidget* parent = nullptr);
    ~frmWhois() override;

    // Empties the output and performs the Lookup button's click.
    void ExecuteWhois();
    // The results popup's lookup: the domain at the server picked for it, in an emptied output.
    void LookupDomain(const QString& domain);

    void btnLookup_Click();
    // Ends a lookup under way and closes the window.
    void btnCancel_Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* WhoisString = nullptr;
    QComboBox* WhoisListBox = nullptr;
    QPushButton* btnLookup = nullptr;
    QPushButton* btnCancel = nullptr;
    QPlainTextEdit* WhoisOutput = nullptr;
    QLabel* BottomLabel = nullptr;
    WhoisClient* Whois1 = nullptr;

protected:
    // Esc.
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void DisableLookup();
    void EnableLookup();
    void Whois1_DataReady(int count);
    void Whois1_EndOfReply();
    void Whois1_ConnectFailed(qint16 code);
    void Whois1_ReadFailed(qint16 code);

    // Focus was in one of the inputs when DisableLookup took it away.
    bool m_inputHadFocus = false;
};
