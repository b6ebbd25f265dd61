#pragma once

#include <QDialog>

class QLabel;
class QRadioButton;

// Chooses between the default domain list and a personal selection. (Stand-in: the two modes and the label.)
class frmDomains final : public QDialog
{
    Q_OBJECT

public:
    explicit frmDomains(QWidget* parent = nullptr);

    QRadioButton* defaultdomains = nullptr;
    QRadioButton* userdomains = nullptr;
    QLabel* staticdomainlabel = nullptr;
};
