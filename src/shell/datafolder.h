#pragma once

// Checks before the login that the data folder and Opcion.mdb exist. When one is missing it
// says which, names the folder and the command that creates the files, and returns false;
// it never creates anything itself.
bool dataFolderReady();
