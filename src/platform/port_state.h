#pragma once
// Whether a port may be opened now, found without opening it for transfer: a look at who
// holds it and at its access rights.
#include <string>

namespace platform {

enum class TPortCondition { Free, InUse, ModemManager, NoPermission };

struct TPortState {
  TPortCondition Condition = TPortCondition::Free;
  std::string Holder;        // InUse: the program, when the system tells
  std::string Group;         // NoPermission: the group that may open it
  bool JoinedLater = false;  // NoPermission: the user is in Group, but not in this session
};

TPortState PortStateOf(const std::string& DevPath);

}  // namespace platform
