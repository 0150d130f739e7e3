#include <QTextStream>

#include "application.h"
#include "appwindows.h"
#include "commandline.h"
#include "datafolder.h"
#include "login.h"
#include "windowregistry.h"

int main(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QTextStream out(stdout);
    if (const auto code = answerCommandLine(args, out)) return *code;

    // Checked first, so that a terminal shows what is missing even where no window can open.
    const QString missingData = checkDataFolder();
    ShellApplication app(argc, argv);
    if (!missingData.isEmpty() && !offerToCreateDataFiles(missingData)) return 1;
    const auto dataFolder = lockDataFolder();
    if (!dataFolder) return 1;
    registerWindows(WindowRegistry::instance());
    Login login;
    if (!login.Load()) return 1;
    login.show();
    return app.exec();
}
