#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// Manual WHOIS lookups. (Stand-in: the controls the other windows reach.)
class frmWhois final : public QDialog
{
    Q_OBJECT

public:
    explicit frmWhois(QWidget* parent = nullptr);

    // Empties the output and performs the Lookup button's click.
    void ExecuteWhois();

    QLineEdit* WhoisString = nullptr;
    QComboBox* WhoisListBox = nullptr;
    QPlainTextEdit* WhoisOutput = nullptr;
    QLabel* BottomLabel = nullptr;
};
