#include "gui/dialogs/OptionsDialog.h"

#include "core/AppInfo.h"
#include "core/OptionsInput.h"
#include "core/Platform.h"
#include "core/Utils.h"
#include "gui/app/Forms.h"
#include "gui/shell/modHTMLHelp.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {

// Wide enough for the longest label line of either dialog without squeezing the notes.
constexpr int NoteWidth = 430;

// Eats the one mouse press that is still on its way to the control it was aimed at, and goes away at the next
// turn of the event loop whether or not it met one.
class PressSwallower final : public QObject
{
public:
    explicit PressSwallower(QObject* parent) : QObject(parent)
    {
        qApp->installEventFilter(this);
        QTimer::singleShot(0, this, &QObject::deleteLater);
    }
    ~PressSwallower() override
    {
        if (qApp)
            qApp->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_ate || (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonDblClick))
            return QObject::eventFilter(watched, event);
        m_ate = true;
        return true;
    }

private:
    bool m_ate = false;
};

} // namespace

OptionsDialog::OptionsDialog(Kind kind, QWidget* parent) : QDialog(parent), m_kind(kind)
{
    modHTMLHelp::addHelpKey(this, QStringLiteral("dns.html"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("DNS Options"));
    createFields();
    if (m_kind == Kind::Regular)
        buildRegular();
    else
        buildFirstRun();

    txtDNSdelay->installEventFilter(this);
    txtDNSretries->installEventFilter(this);
    // Only the change after a move counts; the stream of positions while the thumb is dragged does not.
    connect(VScroll1, &QScrollBar::valueChanged, this, &OptionsDialog::VScroll1_Change);
    connect(VScroll2, &QScrollBar::valueChanged, this, &OptionsDialog::VScroll2_Change);
    connect(butOK, &QPushButton::clicked, this, &OptionsDialog::butOK_Click);
    if (butCancel)
        connect(butCancel, &QPushButton::clicked, this, &OptionsDialog::butCancel_Click);

    Form_Load();
}

OptionsDialog::~OptionsDialog()
{
    // The boxes lose their focus while they are torn down; that is no leaving to be checked.
    txtDNSdelay->removeEventFilter(this);
    txtDNSretries->removeEventFilter(this);
}

void OptionsDialog::createFields()
{
    txtDNSserver = new QLineEdit(this);
    txtDNSserver->setObjectName(QStringLiteral("txtDNSserver"));
    txtDNSserver->setToolTip(QStringLiteral("The domainname or IP adress of the nameserver to query."));

    txtDNSdelay = new QLineEdit(this);
    txtDNSdelay->setObjectName(QStringLiteral("txtDNSdelay"));
    txtDNSdelay->setToolTip(QStringLiteral("The delay between each request issued to the selected nameserver."));

    txtDNSretries = new QLineEdit(this);
    txtDNSretries->setObjectName(QStringLiteral("txtDNSretries"));
    txtDNSretries->setToolTip(
        QStringLiteral("The maximum number of times the program will query the nameserver for each domain."));

    txtDNSserver->setMinimumWidth(
        txtDNSserver->fontMetrics().horizontalAdvance(QStringLiteral("ns1.your-provider.example.net")) + 12);

    const int numberWidth = txtDNSdelay->fontMetrics().horizontalAdvance(QStringLiteral("00000000"));
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int barHeight = txtDNSdelay->sizeHint().height();
    for (QLineEdit* box : {txtDNSdelay, txtDNSretries})
        box->setFixedWidth(numberWidth);

    // A plain vertical bar has its minimum at the top, so with position = top value - number the up arrow
    // raises the number and the down arrow lowers it.
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(QStringLiteral("VScroll1"));
    VScroll1->setRange(0, OptionsInput::DelayBarMax);
    VScroll1->setSingleStep(1);
    VScroll1->setPageStep(m_kind == Kind::Regular ? 10 : 1);
    VScroll2 = new QScrollBar(Qt::Vertical, this);
    VScroll2->setObjectName(QStringLiteral("VScroll2"));
    VScroll2->setRange(0, OptionsInput::RetriesBarMax);
    VScroll2->setSingleStep(1);
    VScroll2->setPageStep(1);
    for (QScrollBar* bar : {VScroll1, VScroll2}) {
        bar->setTracking(false);
        bar->setFixedSize(barWidth, barHeight);
    }

    butOK = new QPushButton(m_kind == Kind::Regular ? QStringLiteral("OK") : QStringLiteral("D&one"), this);
    butOK->setObjectName(QStringLiteral("butOK"));
    butOK->setDefault(true);
    if (m_kind == Kind::Regular) {
        butCancel = new QPushButton(QStringLiteral("Cancel"), this);
        butCancel->setObjectName(QStringLiteral("butCancel"));
    }
}

QLabel* OptionsDialog::addLabel(const char* name, const QString& text, bool wrap)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    if (wrap) {
        label->setWordWrap(true);
        label->setFixedWidth(NoteWidth);
    }
    return label;
}

void OptionsDialog::buildRegular()
{
    QLabel* Label1 = addLabel("Label1", QStringLiteral("DNS to query :"), false);
    QLabel* Label2 = addLabel("Label2", QStringLiteral("Delay between queries (1/1000th seconds):"), false);
    QLabel* Label3 = addLabel("Label3", QStringLiteral("Number of retries on each domain name:"), false);
    QLabel* Label4 = addLabel(
        "Label4",
        QStringLiteral("Use the same DNS as you normally use for your Internet use like ns1.provider.example.net.\n"
                       "Do NOT use a root server like a.root-servers.net, it will NOT work!"),
        true);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(txtDNSserver, 0, 1, 1, 3);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(txtDNSdelay, 1, 1);
    grid->addWidget(VScroll1, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(txtDNSretries, 2, 1);
    grid->addWidget(VScroll2, 2, 2);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butOK);
    buttons->addWidget(butCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(grid);
    layout->addSpacing(4);
    layout->addWidget(Label4);
    layout->addSpacing(4);
    layout->addLayout(buttons);

    fitNotes(layout);

    setTabOrder(txtDNSserver, txtDNSdelay);
    setTabOrder(txtDNSdelay, txtDNSretries);
    setTabOrder(txtDNSretries, butOK);
    setTabOrder(butOK, butCancel);
}

void OptionsDialog::buildFirstRun()
{
    QLabel* Label4 = addLabel("Label4", QStringLiteral("Welcome to Orlevan"), false);
    QFont heading = Label4->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.5);
    Label4->setFont(heading);
    QLabel* Label5 = addLabel("Label5",
                              QStringLiteral("Since this is the first time you run Orlevan you need to enter a few "
                                             "default values. This is very simple and only has to be done once. You "
                                             "can always change these values in the options menu."),
                              true);
    auto* Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    QLabel* Label1 = addLabel(
        "Label1",
        QStringLiteral("Please enter what nameserver that Orlevan should ask about domains. This will most often be "
                       "the same nameserver you entered in your internet setup. A root name server will not work. "
                       "It could look like dns1.provider.example.net, but do not type that one: it does not "
                       "exist."),
        true);
    QLabel* Label6 = addLabel("Label6", QStringLiteral("Nameserver:"), false);
    QLabel* Label7 = addLabel("Label7",
                              QStringLiteral("Now please indicate how long Orlevan should wait between requests to "
                                             "the nameserver. A value of 30 to 100 should work fine."),
                              true);
    QLabel* Label2 = addLabel("Label2", QStringLiteral("Delay between queries (1/1000th seconds):"), false);
    QLabel* Label8 = addLabel("Label8",
                              QStringLiteral("Finally tell me how many times you would like to retry a each domain "
                                             "name if no satisfactory answer was given (or any) from the DNS. "
                                             "Recommended is 2-3."),
                              true);
    QLabel* Label3 = addLabel("Label3", QStringLiteral("Number of retries on each domain name:"), false);

    // The three fields line up under each other although paragraphs lie between them.
    const int labelWidth =
        std::max({Label6->sizeHint().width(), Label2->sizeHint().width(), Label3->sizeHint().width()});
    for (QLabel* label : {Label6, Label2, Label3})
        label->setFixedWidth(labelWidth);

    auto fieldRow = [](QLabel* label, QWidget* field, QWidget* bar) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(label);
        row->addWidget(field, bar ? 0 : 1);
        if (bar) {
            row->addWidget(bar);
            row->addStretch(1);
        }
        return row;
    };

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(butOK);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(Label4);
    layout->addWidget(Label5);
    layout->addWidget(Line1);
    layout->addWidget(Label1);
    layout->addLayout(fieldRow(Label6, txtDNSserver, nullptr));
    layout->addSpacing(6);
    layout->addWidget(Label7);
    layout->addLayout(fieldRow(Label2, txtDNSdelay, VScroll1));
    layout->addSpacing(6);
    layout->addWidget(Label8);
    layout->addLayout(fieldRow(Label3, txtDNSretries, VScroll2));
    layout->addSpacing(6);
    layout->addLayout(buttons);

    fitNotes(layout);

    setTabOrder(txtDNSserver, txtDNSdelay);
    setTabOrder(txtDNSdelay, txtDNSretries);
    setTabOrder(txtDNSretries, butOK);
}

void OptionsDialog::fitNotes(QLayout* layout)
{
    // A fixed-size dialog does not ask wrapped labels how tall they get at its width, so they are told:
    // as wide as the widest row, and as tall as their text needs there.
    const QMargins margins = layout->contentsMargins();
    const int width = layout->sizeHint().width() - margins.left() - margins.right();
    for (QLabel* note : findChildren<QLabel*>()) {
        if (note->wordWrap())
            note->setFixedSize(width, note->heightForWidth(width));
    }
}

void OptionsDialog::Form_Load()
{
    // Stored values out of range cannot come from the dialogs; should one get here anyway, show the nearest end.
    const int delay = OptionsInput::positionToDelay(OptionsInput::delayToPosition(Utils::AppSettings.QueryDelay));
    const int retries = OptionsInput::positionToRetries(OptionsInput::retriesToPosition(Utils::AppSettings.Retries));
    txtDNSretries->setText(QString::number(retries));
    txtDNSserver->setText(Utils::AppSettings.NameServer);
    txtDNSdelay->setText(QString::number(delay));
    VScroll1->setValue(OptionsInput::delayToPosition(delay));
    VScroll2->setValue(OptionsInput::retriesToPosition(retries));
}

bool OptionsDialog::barsRewriteBoxes() const
{
    // The regular dialog ignores its bars until it is on screen; the first-run dialog always follows them.
    return m_kind == Kind::FirstRun || isVisible();
}

void OptionsDialog::VScroll1_Change()
{
    if (barsRewriteBoxes())
        txtDNSdelay->setText(QString::number(OptionsInput::positionToDelay(VScroll1->value())));
}

void OptionsDialog::VScroll2_Change()
{
    if (barsRewriteBoxes())
        txtDNSretries->setText(QString::number(OptionsInput::positionToRetries(VScroll2->value())));
}

void OptionsDialog::showMessage(OptionsInput::Message message)
{
    Platform::instance().messageBox(OptionsInput::messageText(message), Platform::Ok, Platform::NoIcon, AppInfo::Title);
}

bool OptionsDialog::txtDNSdelay_LostFocus()
{
    const OptionsInput::LeaveResult result = OptionsInput::leaveDelay(txtDNSdelay->text());
    if (result.message != OptionsInput::Message::None) {
        showMessage(result.message);
        return true;
    }
    VScroll1->setValue(result.position);
    return false;
}

bool OptionsDialog::txtDNSretries_LostFocus()
{
    const OptionsInput::LeaveResult result = OptionsInput::leaveRetries(txtDNSretries->text());
    if (result.message != OptionsInput::Message::None) {
        showMessage(result.message);
        return true;
    }
    VScroll2->setValue(result.position);
    return false;
}

void OptionsDialog::butOK_Click()
{
    const OptionsInput::OkResult result = OptionsInput::acceptOk(txtDNSdelay->text(), txtDNSretries->text());
    txtDNSdelay->setText(result.delayText);
    txtDNSretries->setText(result.retriesText);
    if (result.message != OptionsInput::Message::None) {
        showMessage(result.message);
        return;
    }
    Utils::AppSettings.Retries = result.retries;
    Utils::AppSettings.NameServer = txtDNSserver->text();
    Utils::AppSettings.QueryDelay = result.delay;
    Forms::warnIf(Utils::SaveSettings());
    accept();
}

void OptionsDialog::butCancel_Click()
{
    Utils::LoadSettings();
    reject();
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Up and Down and the mouse wheel step a box as its bar's arrows do.
    QScrollBar* bar = watched == txtDNSdelay ? VScroll1 : watched == txtDNSretries ? VScroll2 : nullptr;
    const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
    const auto* wheel = event->type() == QEvent::Wheel ? static_cast<QWheelEvent*>(event) : nullptr;
    const int up = key && key->key() == Qt::Key_Up         ? 1
                   : key && key->key() == Qt::Key_Down     ? -1
                   : wheel && wheel->angleDelta().y() != 0 ? (wheel->angleDelta().y() > 0 ? 1 : -1)
                                                           : 0;
    if (bar && up != 0) {
        bar->triggerAction(up > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
        return true;
    }
    if (event->type() == QEvent::FocusOut && (watched == txtDNSdelay || watched == txtDNSretries)) {
        // Leaving a box means the focus went to another control of this dialog. Losing the focus because
        // another window (this dialog's own message box, say) became active is no leaving.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QWidget* next = QApplication::focusWidget();
        const bool toOwnControl = next && next != watched && next->window() == this;
        if (toOwnControl && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            const bool byPress = reason == Qt::MouseFocusReason && QGuiApplication::mouseButtons() != Qt::NoButton;
            const bool refused = watched == txtDNSdelay ? txtDNSdelay_LostFocus() : txtDNSretries_LostFocus();
            // The press that moved the focus reaches its control only after the message box has closed, while
            // its release went to the box: the control would stay pressed. A refused leaving swallows the click.
            if (refused && byPress)
                new PressSwallower(this);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void OptionsDialog::keyPressEvent(QKeyEvent* event)
{
    // Escape means Cancel where there is one; the first-run dialog treats it like its close box.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && butCancel) {
        butCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
