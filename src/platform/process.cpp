#include "platform/process.h"

namespace platform {

bool TChildProcess::Running(int TimeoutMs) {
  if (!Started() || ended_) return false;
  WaitForOutput({this}, TimeoutMs);
  CollectErrorOutput();
  if (!Ended()) return true;
  // Whatever the child wrote is in the pipe now. A grandchild may still hold the pipe
  // open, so take what is there and stop listening.
  CollectErrorOutput();
  ClosePipe();
  return false;
}

void TChildProcess::CollectErrorOutput() {
  std::string& out = outcome_.ErrorOutput;
  char buf[4096];
  for (long n; (n = Read(buf, sizeof buf)) > 0;) {
    out.append(buf, size_t(n));
    if (out.size() > MaxErrorOutput) out.erase(0, out.size() - MaxErrorOutput);
  }
}

TProcessOutcome RunAndWait(const std::string& Program, const std::vector<std::string>& Args,
                          const std::function<void()>& Pump, int PollMs, const TChildOptions& Options) {
  TChildProcess child(Program, Args, Options);
  while (child.Running(PollMs)) {
    if (Pump) Pump();
  }
  return child.Outcome();
}

std::string LastLine(const std::string& Text) {
  size_t end = Text.size();
  while (end > 0) {
    size_t begin = Text.find_last_of("\r\n", end - 1);
    begin = (begin == std::string::npos) ? 0 : begin + 1;
    const std::string line = Text.substr(begin, end - begin);
    if (line.find_first_not_of(" \t") != std::string::npos) return line;
    if (begin == 0) break;
    end = begin - 1;
  }
  return {};
}

}  // namespace platform
