#pragma once
// kestrilo-cli ports: every port the search would probe and every one it skips, each with
// its adapter and its state in plain words; --json one object per port.
#include "cli/Arguments.h"

namespace cli {

int RunPorts(const TCliArgs& Args);

}  // namespace cli
