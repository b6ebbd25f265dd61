#include "gui/shell/ProgramIcon.h"

// The pictures live in a static library: nothing would pull their resource object into the program without
// this explicit reference.
static void initShellResources()
{
    Q_INIT_RESOURCE(shell);
}

namespace ProgramIcon {

QIcon icon()
{
    initShellResources();
    QIcon result;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        result.addFile(QStringLiteral(":/orlevan/orlevan-%1.png").arg(size), QSize(size, size));
    return result;
}

QPixmap logo()
{
    initShellResources();
    return QPixmap(QStringLiteral(":/orlevan/logo.png"));
}

} // namespace ProgramIcon
