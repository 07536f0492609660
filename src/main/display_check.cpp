#include "main/display_check.h"

#include <cstdlib>

namespace {
bool IsSet(const char* Name) {
  const char* V = std::getenv(Name);
  return V && *V;
}
}  // namespace

std::string MissingDisplayReason() {
#ifdef _WIN32
  return {};  // a Windows desktop always has its display
#endif
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) return {};
  return "no display found: DISPLAY and WAYLAND_DISPLAY are not set "
         "(to run without a screen, set QT_QPA_PLATFORM=offscreen)";
}
