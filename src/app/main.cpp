#include "application.h"
#include "appwindows.h"
#include "datafolder.h"
#include "login.h"
#include "windowregistry.h"

int main(int argc, char** argv)
{
    // Checked first, so that a terminal shows what is missing even where no window can open.
    const QString missingData = checkDataFolder();
    ShellApplication app(argc, argv);
    if (!missingData.isEmpty()) {
        showDataFolderProblem(missingData);
        return 1;
    }
    registerWindows(WindowRegistry::instance());
    Login login;
    if (!login.Load()) return 1;
    login.show();
    return app.exec();
}
