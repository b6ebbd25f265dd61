#include "support/TestPlatform.h"

#include "core/FileOps.h"
#include "core/Forms.h"
#include "core/Utils.h"

#include <QDialog>
#include <QFile>

TestPlatform::TestPlatform()
{
    Platform::setInstance(this);
}

TestPlatform::~TestPlatform()
{
    Platform::setInstance(nullptr);
}

Platform::Answer TestPlatform::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& caption)
{
    const Message message{text, buttons, icon, caption};
    messages.append(message);
    if (onMessage)
        onMessage(message);
    if (buttons == Ok)
        return AnswerOk;
    return answers.isEmpty() ? AnswerYes : answers.takeFirst();
}

void TestPlatform::openUrl(const QString& address)
{
    openedUrls.append(address);
}

bool TestPlatform::startProgram(const QString& program, const QStringList& arguments)
{
    startedPrograms.append(QStringList{program} + arguments);
    return startResult;
}

void TestPlatform::setClipboardText(const QString& text)
{
    clipboard.append(text);
}

int TestPlatform::runModal(QDialog* dialog)
{
    modalTitles.append(dialog->windowTitle());
    if (onModal)
        return onModal(dialog);
    dialog->reject();
    return QDialog::Rejected;
}

void TestPlatform::quit(int status)
{
    quits.append(status);
}

void TestPlatform::notifyIcon(TrayCommand command, const TrayIconRecord& record)
{
    trayCalls.append(TrayCall{command, record});
}

void resetProgramState(const QString& folder)
{
    Forms::destroyAll();
    Utils::DomainTable.fill(Utils::TldRecord{});
    Utils::TldCount = 0;
    Utils::AppSettings = Utils::Settings{};
    Utils::SettingsDamaged = false;
    Utils::SettingsSaveFailed = false;
    Utils::SettingsFile = folder + QStringLiteral("/config/Orlevan.ini");
    Utils::ProgramFolder = folder + QStringLiteral("/program");
    Utils::ResolvConfPath = folder + QStringLiteral("/resolv.conf");
    Utils::DefaultDomains.clear();
    Utils::CheckList.fill(QString());
    Utils::CheckCount = 0;
    Utils::BareNames = false;
    Utils::CheckRunning = false;
}

void writeDataFile(const QString& path, const QStringList& plainLines)
{
    QByteArray bytes;
    for (const QString& line : plainLines)
        bytes += FileOps::UnscrambleLine(line).toLatin1() + "\r\n";
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}
