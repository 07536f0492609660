#pragma once
// What `kestrilo-cli upload --all --json` tells of its run, line by line: one row per
// device and attempt, the counts, the run's own phase, messages and end. Events this does
// not know are ignored, so a newer tool still reads. No Qt here.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace alldevices {

// The names the tool gives outcomes (docs/json-events.md).
inline const char* const kCompleted = "Completed";
inline const char* const kNoDevice = "NoDevice";
inline const char* const kCancelled = "Cancelled";

// One load of one device: a port, and the attempt on it when the tool counts them.
struct TDeviceRow {
  std::string Port;
  int Attempt = 0;
  std::string Label{};      // the tool's name for the device: USB serial or path
  std::string Serial{};     // the adapter's serial number, when the tool told it
  std::string Found{};      // the search's words for the device it found
  std::string Device{};     // the device's name
  std::string Phase{};      // the last step, in the user's language
  double Percent = -1;      // of the data phase; -1 before it
  std::string Outcome{};    // empty while it runs
  int Status = -1;
  double Seconds = 0;
  std::string Reason{};     // why it did not complete, in the user's language
  std::string Problem{};    // why the search could not probe the port
  bool Unplugged = false;

  bool Running() const { return Outcome.empty(); }
  bool Completed() const { return Outcome == kCompleted; }
  // A port where no device answered is not a device of the run, unless the search could
  // not probe it; as the tool's own table leaves it out.
  bool Listed() const;
  // What the user knows the device by: the tool's label, else the serial number, else the port.
  std::string Name() const;
};

struct TCounts {
  int Done = 0, Failed = 0, Running = 0;
  bool operator==(const TCounts&) const = default;
};

class TAllRun {
 public:
  // One line of the tool's output (standard output and error together).
  void Take(const std::string& Line);
  // The tool's process has ended; Status is its exit status, or -1 when a signal ended it.
  // Stopped: the user stopped it, so loads it left unreported count as cancelled.
  void ProcessEnded(int Status, bool Stopped);

  const std::vector<TDeviceRow>& Rows() const { return rows_; }
  // The tool's own counts once it sends them, else those of the listed rows.
  TCounts Counts() const;

  bool Watching() const { return watching_; }
  bool StoppedWatching() const { return stoppedWatching_; }
  // The run's own step (encoding, searching) and its last message, in the user's language.
  const std::string& Phase() const { return phase_; }
  const std::string& Message() const { return message_; }
  // Lines that were not events: the tool's complaints, a refused option among them.
  const std::vector<std::string>& ErrorLines() const { return errorLines_; }
  // The final outcome's status, once the tool sent it.
  std::optional<int> FinalStatus() const { return finalStatus_; }
  bool Ended() const { return ended_; }
  // The exit status of the process, -1 when a signal ended it; valid once Ended.
  int ExitStatus() const { return exitStatus_; }

 private:
  TDeviceRow& RowOf(const std::string& Port, int Attempt);
  TDeviceRow* LatestOf(const std::string& Port);
  void TakeRunEvent(const std::string& Event, const nlohmann::json& E);
  void TakeDeviceEvent(const std::string& Event, const nlohmann::json& E);

  std::vector<TDeviceRow> rows_;
  std::optional<TCounts> counts_;
  bool watching_ = false, stoppedWatching_ = false;
  std::string phase_, message_;
  std::vector<std::string> errorLines_;
  std::optional<int> finalStatus_;
  bool ended_ = false;
  int exitStatus_ = -1;
};

}  // namespace alldevices
