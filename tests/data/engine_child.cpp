// Stores one article and kills itself right after Update acknowledged it, as a power cut or
// a crash would. Prints the new record's description first.
#include <csignal>
#include <cstdio>

#include <QCoreApplication>

#include "catalogue.h"
#include "engine.h"
#include "paths.h"

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    auto db = DBEngine::CreateWorkspace(QString(), u"admin"_s, QString())
                  ->OpenDatabase(paths::inBases(u"Articulos.mdb"_s), false, false,
                                 catalogue::connectString(u"Vek_Lom_26"_s));
    auto rs = db->OpenRecordset(u"articulos"_s);
    rs->AddNew();
    rs->Fields(u"descripcion"_s).setValue(app.arguments().value(1));
    rs->Fields(u"cos"_s).setValue(u"121"_s);
    rs->Update();
    std::puts("stored");
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 0;
}
