#pragma once

#include <QDialog>

// (Stand-in: caption and modality only.)
class frmOptions final : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);
};
