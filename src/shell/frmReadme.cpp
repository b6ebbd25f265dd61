#include "shell/frmReadme.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

frmReadme::frmReadme(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReadme"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Important information!"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
}
