// Why the system refused a file operation, in German words, for the program's messages.
#pragma once

#include <string>

namespace tavrel {

// The reason for an errno value, e.g. ENOENT -> "Datei oder Ordner nicht vorhanden". Every
// value gives words; one without its own text gives a general reason with the number added.
std::string SystemReason(int error);

// Why a file of this kind (st_mode from stat) cannot be read as a document: "ist ein Ordner",
// "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei", ...; "" for a regular file.
std::string NotRegularFileReason(unsigned int mode);

}  // namespace tavrel
