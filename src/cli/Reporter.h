#pragma once
// What the tool tells its user while a command runs: progress on standard error (a line
// updated in place on a terminal, plain lines otherwise), or JSON events on standard output.
#include <memory>
#include <string>
#include <vector>

#include "cli/Progress.h"
#include "device/FrontEnd.h"
#include "platform/port_identity.h"

namespace cli {

struct TCliArgs;

struct TOutcomeReport {
  int Status = 0;
  std::string Name{};  // OutcomeName(), kFoundName or kErrorName
  TNotices News{};     // what the user reads: "Upload completed!", the found device, a reason
  std::string Port{};
  std::string Device{};
  double Seconds = 0;
  platform::TPortIdentity Adapter{};  // a found device's: shown beside the found text
};

class TReporter {
 public:
  virtual ~TReporter() = default;
  virtual void Phase(const TNotice& Phase) = 0;                                       // the upload's step
  virtual void DeviceNews(const TNotice& News) = 0;                                   // the search's news
  virtual void Row(int Row, int Rows, const std::string& File, TRowState State) = 0;  // Row from 0
  virtual void Progress(const TProgressFigures& Figures) = 0;                         // a few times a second
  virtual void Message(const TNotices& Message) = 0;                                  // the engine's message box
  virtual void Outcome(const TOutcomeReport& Outcome) = 0;
  // The sounds' files, whose names the texts above may carry.
  virtual void Files(const std::vector<std::string>&) {}
};

// --json, --quiet, or progress for a terminal or for a log.
enum class TOutputMode { Terminal, Plain, Quiet, Json };
TOutputMode OutputModeOf(const TCliArgs& Args);
std::unique_ptr<TReporter> MakeReporter(const TCliArgs& Args);

// "Encoding...", "Done", ... as the window's list shows them, in the user's language.
std::string RowStateText(TRowState State);
// The row state's stable name for --json: "Encoding", "Done", ...
std::string RowStateName(TRowState State);
// The search's own progress ("Searching device..." and the port being probed).
bool IsSearching(TNoticeId Id);
// A reason of the program's own, as a message line.
TNotices ReasonMessage(const std::string& Text);

}  // namespace cli
