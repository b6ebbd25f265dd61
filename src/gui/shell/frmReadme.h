#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The notice of the first run: how the DNS and the WHOIS checks relate.
class frmReadme final : public QDialog
{
    Q_OBJECT

public:
    explicit frmReadme(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QFrame* Line1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QPushButton* OKButton = nullptr;
};
