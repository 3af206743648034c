// Why the system refused a file operation, in German, for the program's messages: the common
// reasons in words, any other as "Systemfehler" with its number.
#pragma once

#include <string>

namespace tavrel {

// The reason for an errno value, e.g. ENOENT -> "Datei oder Ordner nicht vorhanden".
std::string SystemReason(int error);

}  // namespace tavrel
