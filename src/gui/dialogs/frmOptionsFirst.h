#pragma once

#include "gui/dialogs/OptionsDialog.h"

// The welcome page of the very first run: the same three values, modal, with Done and no Cancel.
class frmOptionsFirst final : public OptionsDialog
{
    Q_OBJECT

public:
    explicit frmOptionsFirst(QWidget* parent = nullptr);
};
