#include "gui/shell/frmAbout.h"

#include "core/AppInfo.h"
#include "core/Platform.h"
#include "core/SysInfo.h"
#include "gui/shell/ProgramIcon.h"
#include "gui/shell/modHTMLHelp.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {
QFrame* etchedLine(QWidget* parent, const QString& name)
{
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel* wrappedLabel(QWidget* parent, const QString& name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(ProgramIcon::icon().pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    Label1 = wrappedLabel(this, QStringLiteral("Label1"),
                          QStringLiteral("Orlevan by Brennmoor. The premier tool for checking Internet Domains."));
    Label2 = wrappedLabel(this, QStringLiteral("Label2"),
                          QStringLiteral("Go to <a href=\"%1\">%1</a> to download the newest version of Orlevan or "
                                         "update files for this one.")
                              .arg(AppInfo::HomePage.toHtmlEscaped()));
    Label2->setTextFormat(Qt::RichText);
    Label2->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(Label2, &QLabel::linkActivated, this, [](const QString& link) { Platform::instance().openAddress(link); });

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setPixmap(ProgramIcon::logo());
    Picture1->setAlignment(Qt::AlignCenter);

    Line1[0] = etchedLine(this, QStringLiteral("Line1_0"));
    Line1[1] = etchedLine(this, QStringLiteral("Line1_1"));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setHorizontalSpacing(14);
    grid->addWidget(picIcon, 0, 0, 3, 1);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(Label1, 2, 1);
    grid->addWidget(Picture1, 3, 0, 1, 2);
    grid->addWidget(Line1[0], 4, 0, 1, 2);
    grid->addWidget(Label2, 5, 0, 1, 2);
    grid->addWidget(Line1[1], 6, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    grid->addLayout(buttons, 7, 0, 1, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    Label2->setMinimumWidth(Picture1->pixmap().width());

    modHTMLHelp::addHelpKey(this, QStringLiteral("overview.html"));
    Form_Load();
}

void frmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + AppInfo::Title);
    lblVersion->setText(AppInfo::versionText());
    lblTitle->setText(AppInfo::Title);
}

void frmAbout::StartSysInfo()
{
    QString program;
    QString arguments;
    const SysInfo::KeyStore store = SysInfo::machineStore(qEnvironmentVariable("PATH"));
    if (SysInfo::GetKeyValue(store, SysInfo::ProgramKey, SysInfo::ProgramValue, program) && !program.isEmpty()) {
        SysInfo::GetKeyValue(store, SysInfo::ProgramKey, SysInfo::ArgumentsValue, arguments);
        if (Platform::instance().startProgram(program, arguments.split(QLatin1Char(' '), Qt::SkipEmptyParts)))
            return;
    }
    Platform::instance().messageBox(QStringLiteral("System Information Is Unavailable At This Time"), Platform::Ok,
                                    Platform::NoIcon, AppInfo::Title);
}
