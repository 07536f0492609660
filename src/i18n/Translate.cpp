#include "i18n/Translate.h"

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
  std::string out;
  out.reserve(Pattern.size());
  for (size_t i = 0; i < Pattern.size(); ++i) {
    const char digit = i + 1 < Pattern.size() ? Pattern[i + 1] : '\0';
    const size_t index = digit >= '1' && digit <= '9' ? size_t(digit - '1') : Args.size();
    if (Pattern[i] == '%' && index < Args.size()) {
      out += Args.begin()[index];
      ++i;
    } else {
      out += Pattern[i];
    }
  }
  return out;
}

std::string DecimalPoint() {
  {
    const std::lock_guard<std::mutex> hold(SeparatorLock());
    if (!ChosenSeparator().empty()) return ChosenSeparator();
  }
  return LocaleDecimalPoint();
}

void SetDecimalPoint(std::string Separator) {
  const std::lock_guard<std::mutex> hold(SeparatorLock());
  ChosenSeparator() = std::move(Separator);
}

}  // namespace i18n
