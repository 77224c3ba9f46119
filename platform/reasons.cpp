// The system's reasons for the user's messages, by the error numbers of the C library (the same
// names on every system the program runs on).
#include <cerrno>
#include <string>

#include "platform/platform.hpp"

namespace kavron::platform {

std::string reason_of(int error) {
    switch (error) {
        case ENOSPC:
            return "na disku není místo";
        case EFBIG:
            return "soubor by překročil největší dovolenou velikost";
#ifdef EDQUOT
        case EDQUOT:
            return "překročena disková kvóta";
#endif
        case EPIPE:
        case EBADF:
            return "výstup je uzavřen";
        case EIO:
            return "chyba zařízení";
        case EROFS:
            return "systém souborů je jen pro čtení";
        case EACCES:
        case EPERM:
            return "přístup odepřen";
        case ENOENT:
            return "soubor nebo složka neexistuje";
        case ENOTDIR:
            return "část cesty není složka";
        case EISDIR:
            return "je to složka";
        case EEXIST:
            return "soubor již existuje";
        case ENAMETOOLONG:
            return "jméno je příliš dlouhé";
        case EINVAL:
            return "neplatné jméno souboru";
        case EFAULT:
        case EMFILE:
        case ENFILE:
            return "příliš mnoho otevřených souborů";
        case ENOMEM:
            return "nedostatek paměti";
        default:
            return "chyba systému č. " + std::to_string(error);
    }
}

}  // namespace kavron::platform
