#include "version.h"

namespace tavrel {
// The project's four-part version, for the about box and the command-line engine.
const char* VersionString() { return TAVREL_VERSION_STRING; }
}  // namespace tavrel
