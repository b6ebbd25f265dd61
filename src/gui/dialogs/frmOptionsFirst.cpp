#include "gui/dialogs/frmOptionsFirst.h"

frmOptionsFirst::frmOptionsFirst(QWidget* parent) : OptionsDialog(Kind::FirstRun, parent)
{
    setObjectName(QStringLiteral("frmOptionsFirst"));
    setModal(true);
}
