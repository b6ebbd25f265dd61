#pragma once

#include "gui/dialogs/OptionsDialog.h"

// "DNS Options" from the options menu: modeless, with OK and Cancel.
class frmOptions final : public OptionsDialog
{
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);
};
