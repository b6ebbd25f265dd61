#include "whois/frmWhois.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

frmWhois::frmWhois(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmWhois"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Orlevan Whois Lookup"));
    auto* layout = new QVBoxLayout(this);
    WhoisString = new QLineEdit(this);
    WhoisString->setObjectName(QStringLiteral("WhoisString"));
    WhoisListBox = new QComboBox(this);
    WhoisListBox->setObjectName(QStringLiteral("WhoisListBox"));
    WhoisListBox->addItem(QStringLiteral("Autodetect"));
    WhoisOutput = new QPlainTextEdit(this);
    WhoisOutput->setObjectName(QStringLiteral("WhoisOutput"));
    WhoisOutput->setReadOnly(true);
    BottomLabel = new QLabel(this);
    BottomLabel->setObjectName(QStringLiteral("BottomLabel"));
    layout->addWidget(WhoisString);
    layout->addWidget(WhoisListBox);
    layout->addWidget(WhoisOutput);
    layout->addWidget(BottomLabel);
}

void frmWhois::ExecuteWhois()
{
    WhoisOutput->clear();
}
