#include "translations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

using namespace Qt::StringLiterals;

// The program's translation lives in a static library; its resource is registered by hand,
// outside any namespace.
static void registerTranslations() { Q_INIT_RESOURCE(translations); }

namespace translations {

QTranslator* installQt(QObject* parent)
{
    auto* translator = new QTranslator(parent);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(u"qtbase_es"_s, folder) ||
        !QCoreApplication::installTranslator(translator)) {
        qWarning().noquote() << "No se encontraron las traducciones de Qt (qtbase_es) en" << folder;
        delete translator;
        return nullptr;
    }
    return translator;
}

QTranslator* installProgram(QObject* parent)
{
    registerTranslations();
    auto* translator = new QTranslator(parent);
    // Compiled into the program: failing to load it is a build fault.
    if (!translator->load(u":/translations/valdrameno_es.qm"_s) ||
        !QCoreApplication::installTranslator(translator))
        qFatal("Traducción del programa (valdrameno_es.qm) no disponible");
    return translator;
}

}  // namespace translations
