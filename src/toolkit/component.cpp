#include "toolkit/component.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace {
std::string ClassName(const std::type_info& Type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(
      abi::__cxa_demangle(Type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? std::string(name.get()) : std::string(Type.name());
}
}  // namespace

void TPersistent::AssignError(const TPersistent& Source) const {
  throw EConvertError("Cannot assign a " + ClassName(typeid(Source)) + " to a " +
                      ClassName(typeid(*this)));
}
