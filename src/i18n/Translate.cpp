#include "i18n/Translate.h"

#include <clocale>
#include <mutex>

#include "i18n/Catalogue.h"

namespace i18n {
namespace {

std::mutex& SeparatorLock() {
  static std::mutex lock;
  return lock;
}
std::string& ChosenSeparator() {
  static std::string separator;
  return separator;
}

}  // namespace

std::string Tr(const char* English) { return LookUp(English); }

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

std::string DecimalPoint() {
  {
    const std::lock_guard<std::mutex> hold(SeparatorLock());
    if (!ChosenSeparator().empty()) return ChosenSeparator();
  }
  const char* point = std::localeconv()->decimal_point;
  return point && *point ? point : ".";
}

void SetDecimalPoint(std::string Separator) {
  const std::lock_guard<std::mutex> hold(SeparatorLock());
  ChosenSeparator() = std::move(Separator);
}

}  // namespace i18n
