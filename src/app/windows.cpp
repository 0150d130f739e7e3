// The windows the main window opens, by the name its toolbar and menus use.
//
// To add a window:
//   1. link its library to the `valdrameno` target in src/app/CMakeLists.txt;
//   2. give it a name in src/shell/windownames.h (and its list `all`);
//   3. include its header here and add one line to registerWindows(); the area's own
//      function adds its rows to the table (name, place, position in twips, factory):
//        registry.add({windownames::Marcas, WindowPlace::InFrame, QPoint(3100, 0),
//                      [] { return new Marcas; }});
//      InFrame for the child windows of the main window (record forms, labels, reports,
//      terminal update, backup), OnScreen for separate windows.
// The factory makes a new window without a parent. The registry shows it at its position
// when the toolbar or a menu names it (a row may give its menu item another position) and
// deletes it when it closes (close() unloads it). The toolbar, the menus, the label queue and
// the reports name windows through the constants of windownames.h only, so a misspelt name
// does not build; tst_app checks that every one of them is registered. A record form that
// reopens itself after a save comes back through the registry as well.

#include "appwindows.h"

#include "articles/articulos.h"
#include "catalogues/catalogueform.h"
#include "distribution/distributionwindows.h"
#include "forms/lookuphook.h"
#include "labels/etiquetas.h"
#include "lookups/lookups.h"
#include "parties/partyform.h"
#include "prices/actualizacionprecios.h"
#include "reports/forlista.h"
#include "shell/windowregistry.h"

using namespace Qt::StringLiterals;

void registerWindows(WindowRegistry& registry)
{
    registerShellWindows(registry);
    registerCatalogueWindows(registry);
    registerPartyWindows(registry);
    registerArticleWindows(registry);
    registerLabelWindows(registry);
    reports::registerReportWindows(registry);
    registerDistributionWindows(registry);
    prices::registerPriceWindows(registry);
    forms::setLookupOpener(
        [](const QString& name, QLineEdit* target, QWidget* caller, forms::LookupTrigger how) {
            lookups::openLookup(name, target, caller,
                                how == forms::LookupTrigger::EscapeKey
                                    ? lookups::OpenedBy::EscapeKey
                                    : lookups::OpenedBy::SearchButton);
        });
}
