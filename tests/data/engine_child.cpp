// A second process writing the store, as a crash or another program would.
//   engine_child TEXT          stores one article described TEXT and kills itself right after
//                              Update acknowledged it, as a power cut would; prints "stored" first.
//   engine_child DELETE CODE   deletes the brand CODE from Marcas.mdb and ends normally.
#include <csignal>
#include <cstdio>

#include <QCoreApplication>

#include "data/catalogue.h"
#include "data/engine.h"

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"DELETE"_s) {
        auto rs = catalogue::open(u"Marcas.mdb")->OpenRecordset(u"rubros"_s);
        rs->setIndex(u"COD_RUB"_s);
        rs->Seek(args.value(2));
        if (rs->NoMatch()) return 1;
        rs->Delete();
        return 0;
    }
    auto rs = catalogue::open(u"Articulos.mdb")->OpenRecordset(u"articulos"_s);
    rs->AddNew();
    rs->Fields(u"descripcion"_s).setValue(args.value(1));
    rs->Fields(u"cos"_s).setValue(u"121"_s);
    rs->Update();
    std::puts("stored");
    std::fflush(stdout);
    std::raise(SIGKILL);
    return 0;
}
