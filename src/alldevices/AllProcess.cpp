#include "alldevices/AllProcess.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/exe_path.h"
#include "platform/ticks.h"

namespace alldevices {

std::string CliProgram() {
#ifdef _WIN32
  const std::string name = "kestrilo-cli.exe";
#else
  const std::string name = "kestrilo-cli";
#endif
  const std::string dir = platform::ExecutableDir();
  std::error_code ec;
  if (dir.empty() || !std::filesystem::is_regular_file(dir + name, ec)) return {};
  return dir + name;
}

std::vector<std::string> UploadAllArguments(const TRunSettings& Settings, const std::string& ListFile) {
  std::vector<std::string> a{"upload", "--all", "--json"};
  if (Settings.Watch) a.push_back("--watch");
  if (!Settings.LogFile.empty()) {
    // The tool's events are JSON; the log is JSON lines only when its name says so.
    const std::string& f = Settings.LogFile;
    const bool json = f.ends_with(".json") || f.ends_with(".jsonl");
    a.insert(a.end(), {"--log", f, "--log-format", json ? "json" : "csv", "--log-list", Settings.ListName});
  }
  a.insert(a.end(), {"--yes", "--", ListFile});
  return a;
}

TAllProcess::TAllProcess(const std::string& Program, const std::vector<std::string>& Args, bool Watch,
                         TStopTimes Times)
    : child_(Program, Args,
             {.Piped = platform::TPipedStreams::OutputAndError,
              .LookUpInPath = false,
              .Interruptible = true,
              .OwnGroup = true}),
      watch_(Watch),
      times_(Times) {
  if (!child_.Started()) {
#ifdef _WIN32
    throw std::system_error(child_.Outcome().StartError, std::system_category(), Program);
#else
    throw std::system_error(child_.Outcome().StartError, std::generic_category(), Program);
#endif
  }
}

TAllProcess::~TAllProcess() {
  if (ended_) return;
  // The window is going: a few seconds for a clean cancel, then the whole group is killed.
  times_.CancelMs = std::min<uint32_t>(times_.CancelMs, 5000);
  times_.KillMs = std::min<uint32_t>(times_.KillMs, 2000);
  Abort();
  while (Poll([](const std::string&) {})) platform::WaitForOutput({&child_}, 20);
}

int TAllProcess::ExitStatus() const {
  return child_.Outcome().Exited ? child_.Outcome().ExitCode : -1;
}

bool TAllProcess::Poll(const std::function<void(const std::string&)>& Line) {
  if (ended_) return false;
  ReadLines(Line);
  SendDueInterrupts();
  // After a kill a grandchild that escaped the group may still hold the pipe.
  if (child_.Ended() && (!child_.PipeOpen() || killed_)) {
    if (!partial_.empty()) Line(partial_);
    partial_.clear();
    ended_ = true;
  }
  return !ended_;
}

void TAllProcess::ReadLines(const std::function<void(const std::string&)>& Line) {
  char buf[4096];
  for (long n; (n = child_.Read(buf, sizeof buf)) > 0;) {
    partial_.append(buf, size_t(n));
    for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1)) {
      const size_t cr = end > 0 && partial_[end - 1] == '\r' ? 1 : 0;
      Line(partial_.substr(0, end - cr));
    }
  }
}

void TAllProcess::StopWatching() {
  if (watch_) wanted_ = std::max(wanted_, 1);
  SendDueInterrupts();
}

void TAllProcess::Cancel() {
  wanted_ = std::max(wanted_, CancelLevel());
  SendDueInterrupts();
}

void TAllProcess::Abort() {
  if (!aborting_) abortAt_ = platform::GetTickCount();
  aborting_ = true;
  Cancel();
}

// One interrupt at a time: signals sent together may reach the tool as one.
void TAllProcess::SendDueInterrupts() {
  if (ended_ || child_.Ended()) return;
  if (aborting_) {
    const uint32_t since = platform::TicksSince(abortAt_);
    if (since >= times_.CancelMs) wanted_ = std::max(wanted_, CancelLevel() + 1);  // the tool kills its children
    if (since >= times_.CancelMs + times_.KillMs && !killed_) {
      child_.Kill();  // the whole group
      killed_ = true;
      return;
    }
  }
  if (sent_ >= wanted_) return;
  const uint32_t since = platform::TicksSince(sentAt_);
  if (sent_ > 0 && since < times_.GapMs) return;
  if (watch_ && sent_ == 1 && !watchStopped_ && since < times_.WatchStopMs) return;
  child_.InterruptLeader();
  ++sent_;
  sentAt_ = platform::GetTickCount();
}

}  // namespace alldevices
