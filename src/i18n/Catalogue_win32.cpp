// Windows: English only for now. mingw-w64 has no libintl, and a reader of .mo files of
// our own would be a second, home-made catalogue machinery beside gettext.
#include "i18n/Catalogue.h"

namespace i18n {

std::string LookUp(const char* English) { return English; }

}  // namespace i18n
