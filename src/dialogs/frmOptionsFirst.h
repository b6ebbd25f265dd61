#pragma once

#include <QDialog>

// (Stand-in: caption and modality only.)
class frmOptionsFirst final : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptionsFirst(QWidget* parent = nullptr);
};
