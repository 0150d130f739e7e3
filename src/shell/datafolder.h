#pragma once
// The check before the login that the data folder and Opcion.mdb exist. The program never
// creates them itself: the message names the folder and the command that does.

#include <QString>

// Empty when the folder and Opcion.mdb are there; otherwise what is missing, the folder and
// the command, also written to standard error so that it is seen even without a display.
QString checkDataFolder();

// Shows that message in the error box.
void showDataFolderProblem(const QString& message);
