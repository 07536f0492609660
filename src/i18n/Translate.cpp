#include "i18n/Translate.h"

namespace i18n {

std::string Tr(const char* English) { return English; }

std::string Fill(std::string_view Pattern, std::initializer_list<std::string_view> Args) {
  std::string Out;
  Out.reserve(Pattern.size());
  for (size_t i = 0; i < Pattern.size(); ++i) {
    const char Digit = i + 1 < Pattern.size() ? Pattern[i + 1] : '\0';
    const size_t Index = Digit >= '1' && Digit <= '9' ? size_t(Digit - '1') : Args.size();
    if (Pattern[i] == '%' && Index < Args.size()) {
      Out += Args.begin()[Index];
      ++i;
    } else {
      Out += Pattern[i];
    }
  }
  return Out;
}

}  // namespace i18n
