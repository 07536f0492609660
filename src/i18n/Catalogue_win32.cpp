// Windows: mingw-w64 has no libintl, so the same compiled catalogues (.mo) that gettext reads
// on Linux are read here, from beside the program: <exe dir>\locale\<lang>\LC_MESSAGES or, as
// installed, <exe dir>\..\share\locale\<lang>\LC_MESSAGES. The language is gettext's choice
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), else the user's UI language.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "i18n/Catalogue.h"
#include "i18n/MoCatalogue.h"

namespace i18n {
namespace {

std::string Environment(const char* Name) {
  const char* value = std::getenv(Name);
  return value ? value : "";
}

std::string Narrow(const wchar_t* Wide) {
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, Wide, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size_t(n > 0 ? n : 1), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, Wide, -1, out.data(), n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

// The locale that names the language, as gettext takes it: "de_DE.UTF-8", "C", or empty.
std::string LocaleName(const char* Category) {
  for (const char* name : {"LC_ALL", Category, "LANG"})
    if (std::string value = Environment(name); !value.empty()) return value;
  return {};
}

// The user's display language as Windows names it ("de-DE"), else the user's locale.
std::string UserLanguage() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), name, LOCALE_NAME_MAX_LENGTH, 0) ||
      ::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH))
    return Narrow(name);
  return {};
}

// "de_DE.UTF-8@euro" or "de-DE": the folders to try, "de_DE" before "de".
void AddLanguage(std::string Name, std::vector<std::string>& Languages) {
  Name = Name.substr(0, Name.find_first_of(".@"));
  for (char& c : Name)
    if (c == '-') c = '_';
  if (Name.empty() || Name == "C" || Name == "POSIX") return;
  Languages.push_back(Name);
  if (const size_t cut = Name.find('_'); cut != std::string::npos) Languages.push_back(Name.substr(0, cut));
}

std::vector<std::string> Languages() {
  const std::string locale = LocaleName("LC_MESSAGES");
  if (locale == "C" || locale == "POSIX") return {};  // gettext too ignores LANGUAGE then
  std::vector<std::string> languages;
  std::string list = Environment("LANGUAGE");
  for (size_t start = 0; !list.empty() && start <= list.size();) {
    const size_t end = std::min(list.find(':', start), list.size());
    AddLanguage(list.substr(start, end - start), languages);
    start = end + 1;
  }
  AddLanguage(locale.empty() ? UserLanguage() : locale, languages);
  return languages;
}

std::filesystem::path ExecutableFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
    if (n == 0) return {};
    if (n < path.size()) return std::filesystem::path(path.substr(0, n)).parent_path();
    path.resize(path.size() * 2);
  }
}

// The first catalogue of the user's languages; none for English.
std::optional<TMoCatalogue> FindCatalogue() {
  const std::filesystem::path exe = ExecutableFolder();
  for (const std::string& language : Languages())
    for (const std::filesystem::path& base : {exe / "locale", exe / ".." / "share" / "locale"}) {
      try {
        if (auto catalogue = TMoCatalogue::Load(base / language / "LC_MESSAGES" / "kestrilo.mo")) return catalogue;
      } catch (const EMoFormat&) {
        // a damaged catalogue speaks no language: the next one is tried, English at last
      }
    }
  return std::nullopt;
}

const std::optional<TMoCatalogue>& Catalogue() {
  static const std::optional<TMoCatalogue> catalogue = FindCatalogue();
  return catalogue;
}

}  // namespace

std::string LookUp(const char* English) {
  if (!*English) return {};  // the empty key is the catalogue's header
  if (const auto& catalogue = Catalogue())
    if (const auto found = catalogue->Find(English)) return std::string(*found);
  return English;
}

std::string LocaleDecimalPoint() {
  // The C runtime's locale follows the system's settings only, never LANG.
  std::string locale = LocaleName("LC_NUMERIC");
  if (locale == "C" || locale == "POSIX") return ".";
  locale = locale.substr(0, locale.find_first_of(".@"));
  for (char& c : locale)
    if (c == '_') c = '-';
  const std::wstring name(locale.begin(), locale.end());
  wchar_t point[8] = {};
  if (!::GetLocaleInfoEx(locale.empty() ? LOCALE_NAME_USER_DEFAULT : name.c_str(), LOCALE_SDECIMAL, point, 8))
    return ".";
  return Narrow(point);
}

}  // namespace i18n
