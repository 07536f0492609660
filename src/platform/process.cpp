#include "platform/process.h"

namespace platform {

ProcessOutcome RunAndWait(const std::string& Program, const std::vector<std::string>& Args,
                          const std::function<void()>& Pump, int PollMs) {
  ChildProcess child(Program, Args);
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
