// GNU gettext from the C library: the compiled catalogues (.mo) beside the program as
// installed (<prefix>/bin/../share/locale), else those of the build tree.
#include <libintl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <mutex>
#include <string>

#include "i18n/Catalogue.h"

namespace i18n {
namespace {

constexpr char kDomain[] = "kestrilo";

std::string ExecutableFolder() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  const std::string exe(path, size_t(n));
  return exe.substr(0, exe.find_last_of('/'));
}

bool HasGerman(const std::string& Folder) {
  struct stat info;
  return stat((Folder + "/de/LC_MESSAGES/" + kDomain + ".mo").c_str(), &info) == 0;
}

std::string LocaleFolder() {
  const std::string installed = ExecutableFolder() + "/../share/locale";
  if (HasGerman(installed)) return installed;
#ifdef KESTRILO_BUILD_LOCALE_DIR
  if (HasGerman(KESTRILO_BUILD_LOCALE_DIR)) return KESTRILO_BUILD_LOCALE_DIR;
#endif
  return installed;
}

void Bind() {
  bindtextdomain(kDomain, LocaleFolder().c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
}

}  // namespace

std::string LookUp(const char* English) {
  if (!*English) return {};  // the empty key is the catalogue's header
  static std::once_flag bound;
  std::call_once(bound, Bind);
  return dgettext(kDomain, English);
}

std::string LocaleDecimalPoint() {
  const char* point = std::localeconv()->decimal_point;
  return point && *point ? point : ".";
}

}  // namespace i18n
