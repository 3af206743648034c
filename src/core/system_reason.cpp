#include "core/system_reason.h"

#include <sys/stat.h>

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
    case EOPNOTSUPP:  // also ENOTSUP
      return "vom Dateisystem nicht unterstützt";
    case EBUSY:
      return "Datei oder Datenträger ist belegt (vielleicht eingehängt oder in Gebrauch)";
    case ETXTBSY:
      return "Datei ist gerade in Gebrauch";
    case EEXIST:
      return "Datei ist schon vorhanden";
    case ENOTEMPTY:
      return "Ordner ist nicht leer";
    case EXDEV:
      return "liegt auf einem anderen Datenträger";
    case ELOOP:
      return "zu viele symbolische Verknüpfungen (vielleicht im Kreis)";
    case EMLINK:
      return "zu viele Verknüpfungen";
    case ENXIO:
    case ENODEV:
      return "Gerät nicht vorhanden";
    case ENOMEDIUM:
      return "kein Datenträger eingelegt";
    case EMEDIUMTYPE:
      return "falscher Datenträger";
    case ESTALE:
      return "Datei auf dem Netzlaufwerk nicht mehr gültig";
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNREFUSED:
    case ECONNRESET:
    case ECONNABORTED:
    case ENOTCONN:
    case ENOLINK:
    case ECOMM:
    case EREMOTEIO:
      return "Netzlaufwerk nicht erreichbar";
    case ENOLCK:
      return "Datei kann nicht gesperrt werden";
    case EMFILE:
    case ENFILE:
      return "zu viele offene Dateien";
    case ENOMEM:
      return "zu wenig Arbeitsspeicher";
    case EAGAIN:  // also EWOULDBLOCK
    case EINTR:
      return "vorübergehend nicht möglich, bitte noch einmal versuchen";
    case EINVAL:
      return "ungültiger Name oder ungültige Anfrage";
    case EILSEQ:
      return "ungültige Zeichen im Namen";
    case EOVERFLOW:
      return "Datei zu groß für diesen Vorgang";
    case ESPIPE:
    case EPIPE:
      return "keine gewöhnliche Datei";
    case ENOSYS:
      return "vom System nicht unterstützt";
    case ECANCELED:
      return "Vorgang abgebrochen";
    case EBADF:
    case EFAULT:
      return "interner Fehler beim Dateizugriff";
    case EUCLEAN:
    case EBADMSG:
      return "Dateisystem beschädigt";
    case EKEYEXPIRED:
    case EKEYREVOKED:
    case ENOKEY:
      return "verschlüsselter Ordner ist gesperrt";
    default:
      return "unerwarteter Fehler des Betriebssystems (Nummer " + std::to_string(error) + ")";
  }
}

std::string NotRegularFileReason(unsigned int mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return SystemReason(EISDIR);
  if (S_ISFIFO(mode)) return "ist eine benannte Pipe (FIFO), keine gewöhnliche Datei";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "ist ein Gerät, keine gewöhnliche Datei";
  if (S_ISSOCK(mode)) return "ist ein Socket, keine gewöhnliche Datei";
  return "keine gewöhnliche Datei";
}

}  // namespace tavrel
