#include "fleet/Fleet.h"

#include <set>

namespace fleet {

void TFleet::Known(const std::vector<std::string>& Ports, uint32_t Now) {
  for (const std::string& p : Ports) plugs_[p] = {Now, true};
}

std::vector<std::string> TFleet::Look(const std::vector<std::string>& Ports, uint32_t Now) {
  const std::set<std::string> present(Ports.begin(), Ports.end());
  std::vector<std::string> gone;
  for (auto it = plugs_.begin(); it != plugs_.end();) {
    if (present.count(it->first)) {
      ++it;
      continue;
    }
    gone.push_back(it->first);
    it = plugs_.erase(it);
  }
  for (const std::string& p : present) plugs_.try_emplace(p, TPlug{Now, false});
  return gone;
}

std::vector<std::string> TFleet::Due(uint32_t Now) {
  std::vector<std::string> due;
  for (auto& [port, plug] : plugs_)
    if (!plug.Handed && uint32_t(Now - plug.Since) >= settleMs_) {
      plug.Handed = true;
      due.push_back(port);
    }
  return due;
}

bool TFleet::Settling() const {
  for (const auto& [port, plug] : plugs_)
    if (!plug.Handed) return true;
  return false;
}

int TFleet::Begin(const std::string& Device) {
  TDevice& d = devices_[Device];
  ++d.Running;
  return ++d.Attempts;
}

void TFleet::End(const std::string& Device, TResult Result) {
  TDevice& d = devices_[Device];
  if (d.Running > 0) --d.Running;
  if (Result != TResult::NoDevice) d.Last = Result;
}

int TFleet::Attempts(const std::string& Device) const {
  const auto it = devices_.find(Device);
  return it == devices_.end() ? 0 : it->second.Attempts;
}

TCounts TFleet::Counts() const {
  TCounts c;
  for (const auto& [key, d] : devices_) {
    if (d.Running > 0)
      ++c.Running;
    else if (d.Last == TResult::Done)
      ++c.Done;
    else if (d.Last == TResult::Failed)
      ++c.Failed;
  }
  return c;
}

}  // namespace fleet
