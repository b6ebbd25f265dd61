#include "gui/app/Application.h"
#include "gui/app/Startup.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // Without a display Qt would fail with advice to reinstall it.
    if (!Startup::checkDisplay(argc, argv))
        return 1;
    QApplication app(argc, argv);
    return Application::run();
}
