#pragma once
// One --json event: a line on standard output, flushed at once.
#include <nlohmann/json.hpp>

namespace cli {

void EmitJsonEvent(const nlohmann::ordered_json& Event);

}  // namespace cli
