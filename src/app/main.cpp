#include "automation.h"
#include "desktop/desktopruntime.h"
#include "launcher/baselist.h"
#include "launcher/frmTopMenu.h"
#include "launcher/frmTopMenuBk.h"
#include "platform/runtime.h"
#include "platform/terminator.h"
#include "translations.h"

#include "busynote.h"
#include <QApplication>

int main(int argc, char** argv)
{
    // The font configuration and the base list are read on threads of their own while the
    // program starts, finds its fonts and builds its windows; each is waited for where it
    // is needed.
    desktop::startFontConfiguration();
    platform::installSystemRuntime();
    startKyotenListAhead();
    QApplication app(argc, argv);
    installQtTranslations(app);
    installBusyNote(); // what the user sees while a statement waits for a lock
    desktop::installDesktopRuntime();
    frmTopMenuBk background;
    if (qEnvironmentVariableIsSet("TOPMENU_BENCH_READY")) {
        // Start-up measurement: leave as soon as the launcher window is ready for the user.
        background.setLauncherReady([](frmTopMenu&) { platform::endProgram(0); });
    } else if (const QStringList steps = automation::stepsFromEnvironment(); !steps.isEmpty()) {
        if (qEnvironmentVariableIsSet("TOPMENU_E2E_FROM_START"))
            automation::start(steps);
        else
            background.setLauncherReady([steps](frmTopMenu&) { automation::start(steps); });
    }
    background.load();
    background.showFullScreen();
    return app.exec();
}
