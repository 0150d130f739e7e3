#pragma once
// Maps the system's Windows paths onto this machine's file system.
//
//   C:\Norvik\Bases\Articulos.mdb   ->  <data home>/valdrameno/C/Norvik/Bases/Articulos.mdb
//   \\CAJA1\norvik\Bases\x.mdb      ->  <data home>/valdrameno/red/CAJA1/norvik/Bases/x.mdb
//
// <data home> is $XDG_DATA_HOME, or ~/.local/share when it is unset. Every component is
// looked up without regard to case, so "c:\norvik\bases\articulos.mdb" finds the file above;
// components that do not exist yet keep the spelling given. Paths that are already native
// (starting with '/') are resolved the same way.

#include <QString>

namespace paths {

// The folder that stands for the root of every mapped path (".../valdrameno").
QString mappedRoot();

// The native path of a Windows path of the system, each existing component found without
// regard to case.
QString toNative(const QString& windowsPath);

// The system's fixed database folder, "C:\Norvik\Bases\", as a Windows path.
QString basesFolder();

// The Windows path of a file in the database folder ("C:\Norvik\Bases\" + name).
QString inBases(const QString& fileName);

// The same file as the terminal update names its source: "c:\norvik\Bases\" + name, the
// system's other spelling of the database folder (both find the same file).
QString updateSource(const QString& fileName);

// A terminal's copy of the database folder, the share "\\HOST\norvik\Bases\" of its host.
QString terminalBases(const QString& host);

}  // namespace paths
