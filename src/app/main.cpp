#include "application.h"
#include "appwindows.h"
#include "datafolder.h"
#include "login.h"
#include "windowregistry.h"

int main(int argc, char** argv)
{
    ShellApplication app(argc, argv);
    if (!dataFolderReady()) return 1;
    registerWindows(WindowRegistry::instance());
    Login login;
    if (!login.Load()) return 1;
    login.show();
    return app.exec();
}
