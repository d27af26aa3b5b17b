#pragma once
// Where the program lives.

#include <QString>

// The program file's full path.
QString ProgramFileName();
// The folder of the program file with a trailing "/", where the application's description files
// lie. SetProgramFolder replaces it (a demo run from a build tree, tests); an empty text goes
// back to the program file's own folder.
QString ProgramFolder();
void SetProgramFolder(const QString& folder);


