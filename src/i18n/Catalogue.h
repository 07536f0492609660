#pragma once
// Where the catalogue's translations come from: one file per system.
#include <string>

namespace i18n {

// English's translation in the user's language, English itself when there is none.
std::string LookUp(const char* English);

// The decimal separator of the user's locale, once the program has called setlocale.
std::string LocaleDecimalPoint();

}  // namespace i18n
