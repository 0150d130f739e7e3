// A second process writing the store, as a crash or another program would.
//   engine_child TEXT          stores one article described TEXT and kills itself right after
//                              Update acknowledged it, as a power cut would; prints "stored" first.
//   engine_child DELETE CODE   deletes the brand CODE from Marcas.mdb and ends normally.
#include <csignal>
#include <cstdio>

#include <QCoreApplication>

#include "catalogue.h"
#include "engine.h"
#include "paths.h"

using namespace Qt::StringLiterals;

namespace {

std::shared_ptr<Database> open(const QString& file, const QString& password)
{
    return DBEngine::CreateWorkspace(QString(), u"admin"_s, QString())
        ->OpenDatabase(paths::inBases(file), false, false, catalogue::connectString(password));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"DELETE"_s) {
        auto rs = open(u"Marcas.mdb"_s, u"Vek_Hs83"_s)->OpenRecordset(u"rubros"_s);
        rs->setIndex(u"COD_RUB"_s);
        rs->Seek(u"="_s, args.value(2));
        if (rs->NoMatch()) return 1;
        rs->Delete();
        return 0;
    }
    auto rs = open(u"Articulos.mdb"_s, u"Vek_Lom_26"_s)->OpenRecordset(u"articulos"_s);
    rs->AddNew();
    rs->Fields(u"descripcion"_s).setValue(args.value(1));
    rs->Fields(u"cos"_s).setValue(u"121"_s);
    rs->Update();
    std::puts("stored");
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 0;
}
