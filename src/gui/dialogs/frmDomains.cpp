#include "gui/dialogs/frmDomains.h"

#include "core/Units.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/shell/modHTMLHelp.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

frmDomains::frmDomains(QWidget* parent) : QDialog(parent)
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("domains.html"));
    setObjectName(QStringLiteral("frmDomains"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Domains to search"));
    setModal(true);

    // Top band: the two modes with the default list between them, OK and Cancel on the right.
    defaultdomains = new QRadioButton(QStringLiteral("Check only these domains"), this);
    defaultdomains->setObjectName(QStringLiteral("defaultdomains"));
    staticdomainlabel = new QLabel(QStringLiteral(".com .net .org .us .to .tv .tm .nu"), this);
    staticdomainlabel->setObjectName(QStringLiteral("staticdomainlabel"));
    userdomains = new QRadioButton(QStringLiteral("Personal selection of domains"), this);
    userdomains->setObjectName(QStringLiteral("userdomains"));
    butOK = new QPushButton(QStringLiteral("OK"), this);
    butOK->setObjectName(QStringLiteral("butOK"));
    butOK->setDefault(true);
    butCancel = new QPushButton(QStringLiteral("Cancel"), this);
    butCancel->setObjectName(QStringLiteral("butCancel"));

    const int indicator = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, defaultdomains) +
                          style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, defaultdomains);
    auto* modes = new QVBoxLayout;
    modes->setSpacing(2);
    modes->addWidget(defaultdomains);
    auto* labelRow = new QHBoxLayout;
    labelRow->addSpacing(indicator);
    labelRow->addWidget(staticdomainlabel);
    modes->addLayout(labelRow);
    modes->addWidget(userdomains);
    auto* confirm = new QVBoxLayout;
    confirm->setSpacing(4);
    confirm->addWidget(butOK);
    confirm->addWidget(butCancel);
    confirm->addStretch(1);
    auto* band = new QHBoxLayout;
    band->addLayout(modes);
    band->addStretch(1);
    band->addSpacing(12);
    band->addLayout(confirm);

    // The page: a fixed column of fourteen boxes, one record per 250 twips, and the bar that pages them.
    Frame1 = new QGroupBox(QStringLiteral("Select domains you want included in searches"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    const int pitch = Units::toPixels(DomainsPage::BoxPitchTwips, logicalDpiY());
    auto* boxes = new QVBoxLayout;
    boxes->setSpacing(0);
    for (int i = 0; i < DomainsPage::BoxCount; ++i) {
        dom[i] = new QCheckBox(Frame1);
        dom[i]->setObjectName(QStringLiteral("dom_%1").arg(i));
        dom[i]->setFixedHeight(std::max(pitch, dom[i]->fontMetrics().height() + 2));
        boxes->addWidget(dom[i]);
        connect(dom[i], &QCheckBox::clicked, this, [this, i] { dom_Click(i); });
    }
    // Wide enough for the longest caption of the table, within reason: scrolling must not make the page jump.
    const QFontMetrics metrics = dom[0]->fontMetrics();
    int captionWidth = 0;
    for (int i = 0; i < Utils::TldCount; ++i)
        captionWidth = std::max(captionWidth, metrics.horizontalAdvance(DomainsPage::caption(Utils::DomainTable[i])));
    const int xWidth = metrics.horizontalAdvance(QLatin1Char('x'));
    const int boxIndicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, dom[0]) +
                             style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, dom[0]) + 4;
    const int pageWidth = std::clamp(captionWidth + boxIndicator, 30 * xWidth, 90 * xWidth);
    for (QCheckBox* box : dom)
        box->setFixedWidth(pageWidth);
    VScroll1 = new QScrollBar(Qt::Vertical, Frame1);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setSingleStep(1);
    // A click on the track moves a whole page.
    VScroll1->setPageStep(DomainsPage::BoxCount);
    auto* page = new QHBoxLayout(Frame1);
    page->addLayout(boxes);
    page->addWidget(VScroll1);

    butSelAll = new QPushButton(QStringLiteral("Select All"), this);
    butSelAll->setObjectName(QStringLiteral("butSelAll"));
    butClearAll = new QPushButton(QStringLiteral("Clear All"), this);
    butClearAll->setObjectName(QStringLiteral("butClearAll"));
    auto* pageButtons = new QHBoxLayout;
    pageButtons->addWidget(butSelAll);
    pageButtons->addWidget(butClearAll);
    pageButtons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addLayout(band);
    layout->addWidget(Frame1);
    layout->addLayout(pageButtons);
    layout->addStretch(1);

    setTabOrder(defaultdomains, userdomains);
    setTabOrder(userdomains, butOK);
    setTabOrder(butOK, butCancel);
    setTabOrder(butCancel, dom[0]);
    for (int i = 1; i < DomainsPage::BoxCount; ++i)
        setTabOrder(dom[i - 1], dom[i]);
    setTabOrder(dom[DomainsPage::BoxCount - 1], VScroll1);
    setTabOrder(VScroll1, butSelAll);
    setTabOrder(butSelAll, butClearAll);

    // Both modes keep one width: the widest, with the page shown.
    setFixedWidth(layout->sizeHint().width());

    // While the thumb is dragged the page follows it as well.
    connect(VScroll1, &QScrollBar::valueChanged, this, &frmDomains::RefreshDomainBoxes);
    connect(defaultdomains, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            defaultdomains_Click();
    });
    connect(userdomains, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            userdomains_Click();
    });
    connect(butSelAll, &QPushButton::clicked, this, &frmDomains::butSelAll_Click);
    connect(butClearAll, &QPushButton::clicked, this, &frmDomains::butClearAll_Click);
    connect(butOK, &QPushButton::clicked, this, &frmDomains::butOK_Click);
    connect(butCancel, &QPushButton::clicked, this, &frmDomains::butCancel_Click);

    Form_Load();
}

frmDomains::~frmDomains()
{
    // The boxes and the bar go before the dialog's own members; their signals must not reach a half-torn dialog.
    VScroll1->disconnect(this);
    for (QCheckBox* box : dom)
        box->disconnect(this);
}

void frmDomains::Form_Load()
{
    VScroll1->setRange(0, DomainsPage::barMaximum(Utils::TldCount));
    VScroll1->setValue(0);
    RefreshDomainBoxes();
    if (Utils::PersonalSelectionInForce())
        userdomains->setChecked(true);
    else
        defaultdomains->setChecked(true);
}

void frmDomains::RefreshDomainBoxes()
{
    const int top = VScroll1->value();
    for (int i = 0; i < DomainsPage::BoxCount; ++i) {
        const auto record = DomainsPage::recordAt(top, i, Utils::TldCount);
        // With fewer records than boxes the spare boxes have nothing to show.
        dom[i]->setHidden(!record);
        if (!record)
            continue;
        const Utils::TldRecord& entry = Utils::DomainTable[*record];
        dom[i]->setChecked(entry.Selected != 0);
        dom[i]->setText(DomainsPage::caption(entry));
    }
}

void frmDomains::dom_Click(int index)
{
    if (const auto record = DomainsPage::recordAt(VScroll1->value(), index, Utils::TldCount))
        Utils::DomainTable[*record].Selected = dom[index]->isChecked() ? 1 : 0;
}

void frmDomains::defaultdomains_Click()
{
    Frame1->hide();
    butSelAll->hide();
    butClearAll->hide();
    m_outerHeightTwips = DomainsPage::CompactHeightTwips;
    fitHeight();
}

void frmDomains::userdomains_Click()
{
    Frame1->show();
    butSelAll->show();
    butClearAll->show();
    m_outerHeightTwips = DomainsPage::FullHeightTwips;
    fitHeight();
}

void frmDomains::fitHeight()
{
    // The frame is known only once the window manager has placed the window; until then the style's title bar
    // height stands in for it.
    int frame = frameGeometry().height() - geometry().height();
    if (frame <= 0)
        frame = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    layout()->activate();
    const int content = layout()->totalSizeHint().height();
    setFixedHeight(DomainsPage::clientHeight(m_outerHeightTwips, logicalDpiY(), frame, content));
}

void frmDomains::butSelAll_Click()
{
    for (int i = 0; i < Utils::TldCount; ++i)
        Utils::DomainTable[i].Selected = 1;
    RefreshDomainBoxes();
}

void frmDomains::butClearAll_Click()
{
    for (int i = 0; i < Utils::TldCount; ++i)
        Utils::DomainTable[i].Selected = 0;
    RefreshDomainBoxes();
}

void frmDomains::butOK_Click()
{
    Forms::warnIf(Utils::SaveDomainSelection());
    Forms::warnIf(Utils::SaveSetting(Utils::Key::Domains,
                                     userdomains->isChecked() ? QStringLiteral("user") : QStringLiteral("default")));
    accept();
}

void frmDomains::butCancel_Click()
{
    Utils::LoadDomainSelection();
    reject();
}

void frmDomains::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    fitHeight();
}

void frmDomains::keyPressEvent(QKeyEvent* event)
{
    // Escape is Cancel; only the close box keeps the clicks in memory.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        butCancel->click();
        return;
    }
    // Typing a label's first letters moves the page to it.
    const QString typed = event->text().trimmed();
    if (typed.size() == 1 && typed.at(0).isLetterOrNumber()) {
        m_typed = m_sinceTyped.isValid() && m_sinceTyped.elapsed() < 1000 ? m_typed + typed : typed;
        m_sinceTyped.start();
        if (const auto record = DomainsPage::recordStartingWith(m_typed, Utils::TldCount))
            VScroll1->setValue(qMin(*record, VScroll1->maximum()));
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmDomains::wheelEvent(QWheelEvent* event)
{
    // The page scrolls wherever the wheel turns over it.
    QCoreApplication::sendEvent(VScroll1, event);
}
