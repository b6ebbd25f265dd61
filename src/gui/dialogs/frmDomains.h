#pragma once

#include "core/DomainsPage.h"

#include <QDialog>
#include <QElapsedTimer>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;

// "Domains to search": the default list or a personal selection out of the domain table, which it shows
// fourteen records at a time. Box clicks change the records' flags at once; OK stores them, Cancel reloads them.
class frmDomains final : public QDialog
{
    Q_OBJECT

public:
    explicit frmDomains(QWidget* parent = nullptr);
    ~frmDomains() override;

    QRadioButton* defaultdomains = nullptr;
    QRadioButton* userdomains = nullptr;
    QLabel* staticdomainlabel = nullptr;
    QPushButton* butOK = nullptr;
    QPushButton* butCancel = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QCheckBox*, DomainsPage::BoxCount> dom{};
    QScrollBar* VScroll1 = nullptr;
    QPushButton* butSelAll = nullptr;
    QPushButton* butClearAll = nullptr;

    void RefreshDomainBoxes();
    void dom_Click(int index);
    void defaultdomains_Click();
    void userdomains_Click();
    void butSelAll_Click();
    void butClearAll_Click();
    void butOK_Click();
    void butCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Form_Load();
    void fitHeight();

    QString m_typed; // the letters typed lately, to move the page to a label
    QElapsedTimer m_sinceTyped;

    int m_outerHeightTwips = DomainsPage::CompactHeightTwips;
};
