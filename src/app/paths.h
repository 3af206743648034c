#pragma once
#include <QString>

namespace tavrel {

// Folder of the program file, with a trailing "/": the shipped data files lie beside it.
QString ExeFolder();

// Per-user data folder ($XDG_DATA_HOME or ~/.local/share) + "Orvanel 2014/", trailing "/".
QString DataFolder();

// Creates DataFolder() with any missing parent folders; a failure is ignored here and
// surfaces when a file inside it is written.
void EnsureDataFolder();

}  // namespace tavrel
