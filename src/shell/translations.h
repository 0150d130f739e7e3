#pragma once
// The toolkit's own texts in Spanish: Qt's translation and the program's own wording on top.

class QObject;
class QTranslator;

namespace translations {

// Installs Qt's own Spanish translations (qtbase_es: standard buttons, file and print dialogs,
// the context menu of entry fields) into the application. Returns the installed translator,
// owned by `parent`, or nullptr (with a warning) when they are not installed.
QTranslator* installQt(QObject* parent);

// Installs the program's own Spanish for Qt's dialogs (the file chooser's "Carpeta", the print
// dialog's "Páginas", "archivo" where Qt's Spanish says "fichero"), compiled into the program.
// Call after installQt: the translator installed last is asked first. Returns the
// installed translator, owned by `parent`.
QTranslator* installProgram(QObject* parent);

}  // namespace translations
