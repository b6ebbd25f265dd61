#include "gui/dialogs/frmOptions.h"

frmOptions::frmOptions(QWidget* parent) : OptionsDialog(Kind::Regular, parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setModal(false);
}
