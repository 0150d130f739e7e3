// Saves articles into Articulos.mdb in units of 100 (one transaction each), as a second
// recordset of the store would, while the test pushes the file. Argument: the number of units.
#include <cstdio>

#include <QCoreApplication>

#include "data/catalogue.h"
#include "data/engine.h"

using namespace Qt::StringLiterals;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int units = app.arguments().value(1).toInt();
    auto db = catalogue::open(u"Articulos.mdb");
    auto rs = db->OpenRecordset(u"articulos"_s);
    std::puts("ready");
    std::fflush(stdout);
    for (int unit = 0; unit < units; ++unit) {
        Transaction t(*db);
        for (int i = 0; i < 100; ++i) {
            rs->AddNew();
            rs->Fields(u"descripcion"_s).setValue(QStringLiteral("NUEVO %1-%2").arg(unit).arg(i));
            rs->Update();
        }
        t.CommitTrans();
        std::puts("saved");
        std::fflush(stdout);
    }
    return 0;
}
