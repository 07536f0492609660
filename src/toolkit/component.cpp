#include "toolkit/component.h"

#include <cstdlib>
#include <memory>

#if defined(__GNUC__)
#include <cxxabi.h>
#endif

namespace {
std::string ClassName(const std::type_info& Type) {
#if defined(__GNUC__)
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(Type.name());
#else
  // MSVC's names are readable already, with a "class " or "struct " in front.
  std::string name = Type.name();
  for (const char* prefix : {"class ", "struct "})
    if (name.rfind(prefix, 0) == 0) return name.substr(std::char_traits<char>::length(prefix));
  return name;
#endif
}
}  // namespace

void TPersistent::AssignError(const TPersistent& Source) const {
  throw EConvertError("Cannot assign a " + ClassName(typeid(Source)) + " to a " +
                      ClassName(typeid(*this)));
}
