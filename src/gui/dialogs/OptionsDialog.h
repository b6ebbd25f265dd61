#pragma once

#include "core/OptionsInput.h"

#include <QDialog>

class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QScrollBar;

// The DNS options dialog and its first-run twin share everything but their texts and a few details:
// the fields, the coupled bars, the checks, the messages and storing all live here.
class OptionsDialog : public QDialog
{
    Q_OBJECT

public:
    ~OptionsDialog() override;

    QLineEdit* txtDNSserver = nullptr;
    QLineEdit* txtDNSdelay = nullptr;
    QLineEdit* txtDNSretries = nullptr;
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* VScroll2 = nullptr;
    QPushButton* butOK = nullptr;
    QPushButton* butCancel = nullptr; // the first-run dialog has none

    void VScroll1_Change();
    void VScroll2_Change();
    // True when the box's text was refused.
    bool txtDNSdelay_LostFocus();
    bool txtDNSretries_LostFocus();
    void butOK_Click();
    void butCancel_Click();

protected:
    enum class Kind { Regular, FirstRun };
    OptionsDialog(Kind kind, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildRegular();
    void buildFirstRun();
    void createFields();
    QLabel* addLabel(const char* name, const QString& text, bool wrap);
    void fitNotes(QLayout* layout);
    void Form_Load();
    bool barsRewriteBoxes() const;
    void showMessage(OptionsInput::Message message);

    const Kind m_kind;
};
