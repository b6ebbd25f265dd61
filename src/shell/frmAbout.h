#pragma once

#include <QDialog>

// (Stand-in: caption and modality only.)
class frmAbout final : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
};
