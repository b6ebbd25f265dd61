#include "support/gui/TestDesktop.h"

#include "app/Forms.h"
#include "shell/frmHelp.h"
#include "shell/modHTMLHelp.h"
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
    resetProgramState(folder);
}
