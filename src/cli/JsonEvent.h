#pragma once
// One --json event: a line on standard output, flushed at once.
#include <nlohmann/json.hpp>

namespace cli {

// The version of the events an --all child sends its parent: its first event says it.
inline constexpr int kChildProtocol = 1;

void EmitJsonEvent(const nlohmann::ordered_json& Event);

}  // namespace cli
