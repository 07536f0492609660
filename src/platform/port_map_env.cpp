#include "platform/port_map_env.h"

#include <algorithm>
#include <cstdlib>

namespace platform {
namespace {

std::vector<std::string> SplitPaths(const std::string& List) {
  std::vector<std::string> out;
  std::string::size_type start = 0;
  while (start <= List.size()) {
    const auto end = std::min(List.find(':', start), List.size());
    if (end > start) out.push_back(List.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void AppendPaths(std::vector<TPortMapValue>& Map, const std::string& List) {
  for (auto& p : SplitPaths(List)) Map.push_back({p, p});
}

}  // namespace

std::optional<std::vector<TPortMapValue>> PortsFromEnvironment() {
  const char* only = std::getenv("KESTRILO_PORTS");
  if (!only) return std::nullopt;
  std::vector<TPortMapValue> map;
  AppendPaths(map, only);
  return map;
}

void AppendExtraPorts(std::vector<TPortMapValue>& Map) {
  if (const char* extra = std::getenv("KESTRILO_EXTRA_PORTS")) AppendPaths(Map, extra);
}

}  // namespace platform
