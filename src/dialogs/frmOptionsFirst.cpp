#include "dialogs/frmOptionsFirst.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

frmOptionsFirst::frmOptionsFirst(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptionsFirst"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("DNS Options"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}
