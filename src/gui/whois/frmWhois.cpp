#include "gui/whois/frmWhois.h"

#include "core/AppInfo.h"
#include "core/Platform.h"
#include "gui/app/Forms.h"
#include "gui/shell/modHTMLHelp.h"
#include "whois/Whois.h"
#include "whois/WhoisClient.h"
#include "whois/WhoisLines.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

namespace {

QFont outputFont()
{
    const QString family = QStringLiteral("Courier New");
    if (QFontDatabase::families().contains(family)) {
        QFont font(family);
        font.setStyleHint(QFont::TypeWriter);
        return font;
    }
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

frmWhois::frmWhois(QWidget* parent) : QDialog(parent)
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("whois.html"));
    setObjectName(QStringLiteral("frmWhois"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppInfo::Title + QStringLiteral(" Whois Lookup"));
    setSizeGripEnabled(true);

    Label2 =
        makeLabel(this, "Label2",
                  QStringLiteral("Please enter the query (the domainname, an IP adress or another valid WHOIS query."));
    Label1 = makeLabel(
        this, "Label1",
        QStringLiteral("Please select which WHOIS-server to ask for your domain or leave setting for autodetect."));
    WhoisString = new QLineEdit(this);
    WhoisString->setObjectName(QStringLiteral("WhoisString"));
    WhoisListBox = new QComboBox(this);
    WhoisListBox->setObjectName(QStringLiteral("WhoisListBox"));
    btnLookup = new QPushButton(QStringLiteral("&Lookup"), this);
    btnLookup->setObjectName(QStringLiteral("btnLookup"));
    btnLookup->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("&Close"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter always means Lookup, even when the focus was pushed onto Close while the inputs were disabled.
    btnCancel->setAutoDefault(false);

    WhoisOutput = new QPlainTextEdit(this);
    WhoisOutput->setObjectName(QStringLiteral("WhoisOutput"));
    WhoisOutput->setReadOnly(true);
    WhoisOutput->setUndoRedoEnabled(false);
    WhoisOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    WhoisOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WhoisOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    WhoisOutput->setFont(outputFont());

    BottomLabel = makeLabel(this, "BottomLabel",
                            QStringLiteral("Autodetect will default to ") + Whois::DefaultWhoisServer +
                                QStringLiteral(" for top level domains with unknown WHOIS server."));

    auto* layout = new QGridLayout(this);
    layout->addWidget(Label2, 0, 0, Qt::AlignBottom);
    layout->addWidget(Label1, 0, 1, Qt::AlignBottom);
    layout->addWidget(btnLookup, 0, 2, Qt::AlignBottom);
    layout->addWidget(WhoisString, 1, 0);
    layout->addWidget(WhoisListBox, 1, 1);
    layout->addWidget(btnCancel, 1, 2);
    layout->addWidget(WhoisOutput, 2, 0, 1, 3);
    layout->addWidget(BottomLabel, 3, 0, 1, 3);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(2, 1);
    resize(680, 480);

    Whois1 = new WhoisClient(this);
    Whois1->setObjectName(QStringLiteral("Whois1"));
    connect(Whois1, &WhoisClient::dataReady, this, &frmWhois::Whois1_DataReady);
    connect(Whois1, &WhoisClient::endOfReply, this, &frmWhois::Whois1_EndOfReply);
    connect(Whois1, &WhoisClient::connectFailed, this, &frmWhois::Whois1_ConnectFailed);
    connect(Whois1, &WhoisClient::readFailed, this, &frmWhois::Whois1_ReadFailed);
    connect(btnLookup, &QPushButton::clicked, this, &frmWhois::btnLookup_Click);
    connect(btnCancel, &QPushButton::clicked, this, &frmWhois::btnCancel_Click);

    Form_Load();
}

frmWhois::~frmWhois()
{
    disconnect(Whois1, nullptr, this, nullptr);
    Whois1->disconnectFromServer();
}

void frmWhois::Form_Load()
{
    Whois1->setPort(WhoisClient::DefaultPort);
    Whois1->apply(Forms::io().check.whois);
    Whois1->setDelivery(WhoisClient::Delivery::Pieces);
    WhoisListBox->clear();
    WhoisListBox->addItems(Whois::ServerList());
    WhoisListBox->setCurrentIndex(0);
    EnableLookup();
    WhoisString->setFocus();
}

void frmWhois::ExecuteWhois()
{
    WhoisOutput->clear();
    btnLookup_Click();
}

void frmWhois::LookupDomain(const QString& domain)
{
    WhoisString->setText(domain);
    WhoisListBox->setCurrentIndex(0);
    const QPointer<frmWhois> alive(this);
    ExecuteWhois();
    // A message box of the lookup may have closed the window meanwhile.
    if (alive)
        BottomLabel->setText(QStringLiteral("You can do more lookups without closing this window."));
}

void frmWhois::DisableLookup()
{
    QWidget* focus = focusWidget();
    m_inputHadFocus = focus == WhoisString || focus == WhoisListBox || focus == btnLookup;
    btnLookup->setEnabled(false);
    WhoisString->setEnabled(false);
    WhoisListBox->setEnabled(false);
    setCursor(Qt::WaitCursor);
}

void frmWhois::EnableLookup()
{
    btnLookup->setEnabled(true);
    WhoisString->setEnabled(true);
    WhoisListBox->setEnabled(true);
    unsetCursor();
    if (m_inputHadFocus) {
        m_inputHadFocus = false;
        WhoisString->setFocus();
    }
    update();
}

void frmWhois::btnLookup_Click()
{
    if (WhoisString->text().trimmed().isEmpty()) {
        Platform::instance().messageBox(
            QStringLiteral(
                "Enter the domain you want to search for or another valid WHOIS query before pressing Lookup"),
            Platform::Ok, Platform::Information, AppInfo::Title);
        return;
    }
    Whois1->setQuery(Whois::queryText(WhoisString->text()));
    // Autodetect looks at the query as typed: a trailing blank belongs to its last label.
    if (WhoisListBox->currentIndex() >= 1)
        Whois1->setServer(WhoisListBox->currentText());
    else
        Whois1->setServer(Whois::GetWhoisServer(WhoisString->text()));
    DisableLookup();
    update();
    // Starting the exchange ends one still under way.
    const qint16 result = Whois1->connectToServer();
    if (result != WhoisClient::NoError)
        Whois1_ConnectFailed(result);
}

void frmWhois::btnCancel_Click()
{
    Whois1->disconnectFromServer();
    close();
}

void frmWhois::reject()
{
    btnCancel_Click();
}

void frmWhois::closeEvent(QCloseEvent* event)
{
    // The close box ends the lookup the same way as Close; QDialog's own handling would call reject() again.
    Whois1->disconnectFromServer();
    event->accept();
}

void frmWhois::Whois1_DataReady(int count)
{
    QString piece;
    const int k = Whois1->read(piece, count);
    if (k == -1) {
        Whois1_ReadFailed(Whois1->lastError());
        return;
    }
    if (k >= 1) {
        // Each piece is added at the end as the user left the box: the insertion point moves there first.
        WhoisOutput->moveCursor(QTextCursor::End);
        WhoisOutput->insertPlainText(Whois::splitReplyPiece(piece).join(QString()));
    }
    EnableLookup();
}

void frmWhois::Whois1_EndOfReply()
{
    Whois1->disconnectFromServer();
    EnableLookup();
}

void frmWhois::Whois1_ConnectFailed(qint16 code)
{
    const QPointer<frmWhois> self(this);
    const QString text = QStringLiteral("Could not connect to ") + WhoisListBox->currentText() +
                         QStringLiteral(".\r\nUse another WHOIS-server.\r\n(Error ") + QString::number(code) +
                         QLatin1Char(')');
    Platform::instance().messageBox(text, Platform::Ok, Platform::NoIcon, AppInfo::Title);
    if (!self)
        return;
    EnableLookup();
}

void frmWhois::Whois1_ReadFailed(qint16 code)
{
    const QPointer<frmWhois> self(this);
    Platform::instance().messageBox(QStringLiteral("Error ") + QString::number(code) +
                                        QStringLiteral(" reading from server. Exiting..."),
                                    Platform::Ok, Platform::Critical, AppInfo::Title);
    if (!self)
        return;
    EnableLookup();
    WhoisString->setFocus();
    Whois1->setLastError(WhoisClient::NoError);
}
