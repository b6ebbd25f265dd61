#pragma once

#include <QDialog>

// (Stand-in: caption and modality only.)
class frmReadme final : public QDialog
{
    Q_OBJECT

public:
    explicit frmReadme(QWidget* parent = nullptr);
};
