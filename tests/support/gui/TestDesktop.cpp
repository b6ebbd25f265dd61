#include "support/gui/TestDesktop.h"

#include "gui/app/Forms.h"
#include "gui/shell/frmHelp.h"
#include "gui/shell/modHTMLHelp.h"
#include "support/ProgramState.h"

#include <QDialog>

int TestDesktop::runModal(QDialog* dialog)
{
    modalTitles.append(dialog->windowTitle());
    dialog->reject();
    return QDialog::Rejected;
}

void resetAll(const QString& folder)
{
    Forms::destroyAll();
    delete modHTMLHelp::helpWindowIfLoaded();
    Forms::io() = Forms::Io{};
    // No test fetches the RDAP directory unless it names a server of its own.
    Forms::io().check.rdap.directoryUrl.clear();
    resetProgramState(folder);
}
