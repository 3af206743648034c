#pragma once
#include <QString>

namespace tavrel {

// Where the program's shipped data ("mtavrel.c00", "kovrin.chm") lies, with a trailing "/".
// It is the first of these folders that holds "mtavrel.c00":
//   1. the program's own folder (a build runs in place: the data is built beside it);
//   2. the installed data folder relative to the program (<prefix>/bin/../share/tavrel), so an
//      installation works under any prefix and when moved as a whole;
//   3. the data folder of the prefix the program was built for (a copy of the program file
//      elsewhere still finds an installation).
// If none holds it, the program's own folder, so that the error names the expected place.
QString ExeFolder();

// Per-user data folder ($XDG_DATA_HOME or ~/.local/share) + "Orvanel 2014/", trailing "/".
QString DataFolder();

// Creates DataFolder() with any missing parent folders; a failure is ignored here and
// surfaces when a file inside it is written.
void EnsureDataFolder();

}  // namespace tavrel
