#include "core/system_reason.h"

#include <cerrno>

namespace tavrel {

std::string SystemReason(int error) {
  switch (error) {
    case ENOENT:
      return "Datei oder Ordner nicht vorhanden";
    case EACCES:
    case EPERM:
      return "keine Berechtigung";
    case ENOSPC:
    case EDQUOT:
      return "kein Platz mehr auf dem Datenträger";
    case EROFS:
      return "Datenträger ist schreibgeschützt";
    case EISDIR:
      return "ist ein Ordner";
    case ENOTDIR:
      return "ein Teil des Pfades ist kein Ordner";
    case ENAMETOOLONG:
      return "Dateiname zu lang";
    case EIO:
      return "Ein-/Ausgabefehler des Datenträgers";
    case EFBIG:
      return "Datei zu groß";
    case ELOOP:
      return "symbolische Verknüpfungen im Kreis";
    default:
      return "Systemfehler " + std::to_string(error);
  }
}

}  // namespace tavrel
