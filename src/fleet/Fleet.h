#pragma once
// The bookkeeping of loading many devices: which ports are present, which have settled since
// they were plugged in, the attempts on each device and the counts a user sees. No processes
// and no clock of its own: the caller tells what it saw and when.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fleet {

// How an attempt ended. NoDevice: nothing answered on the port; it counts neither way.
enum class TResult { Done, Failed, NoDevice };

struct TCounts {
  int Done = 0, Failed = 0, Running = 0;
  bool operator==(const TCounts&) const = default;
};

class TFleet {
 public:
  explicit TFleet(uint32_t SettleMs) : settleMs_(SettleMs) {}

  // Ports present from the start, which the caller loads or leaves: only a port plugged in
  // later is due.
  void Known(const std::vector<std::string>& Ports, uint32_t Now);
  // The ports present at Now. Returns those gone since the last look; a port that comes
  // back, under its name or another, is a new plug.
  std::vector<std::string> Look(const std::vector<std::string>& Ports, uint32_t Now);
  // Ports whose plug has settled; each plug is handed out once.
  std::vector<std::string> Due(uint32_t Now);
  // Whether a plug still settles: a reason to look again soon.
  bool Settling() const;

  // An attempt on Device (its USB serial number, else its port) begins; returns its number.
  int Begin(const std::string& Device);
  void End(const std::string& Device, TResult Result);
  int Attempts(const std::string& Device) const;
  // Devices by their last attempt that ended; running ones count as running only.
  TCounts Counts() const;

 private:
  struct TPlug {
    uint32_t Since = 0;
    bool Handed = false;
  };
  struct TDevice {
    int Attempts = 0, Running = 0;
    std::optional<TResult> Last;
  };

  uint32_t settleMs_;
  std::map<std::string, TPlug> plugs_;
  std::map<std::string, TDevice> devices_;
};

}  // namespace fleet
