#pragma once
// State of the program's session, shared by its windows.

#include <QString>

// The user name as typed at the last login check that found the user.
inline QString nombreUsuario;
