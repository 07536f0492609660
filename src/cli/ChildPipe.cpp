#include "cli/ChildPipe.h"

#include <algorithm>
#include <system_error>

#include "platform/ticks.h"

namespace cli {
namespace {

// The kind of number a failed start leaves in StartError.
const std::error_category& StartErrors() {
#ifdef _WIN32
  return std::system_category();  // GetLastError()
#else
  return std::generic_category();  // errno
#endif
}

}  // namespace

TChildPipe::TChildPipe(const std::string& Program, const std::vector<std::string>& Args, bool MergeErrors)
    : child_(Program, Args,
             {.Piped = MergeErrors ? platform::TPipedStreams::OutputAndError : platform::TPipedStreams::Output,
              .LookUpInPath = false,
              .Interruptible = true}) {
  if (!child_.Started())
    throw std::system_error(child_.Outcome().StartError, StartErrors(), "cannot start " + Program);
}

void TChildPipe::ReadLines(const std::function<void(const std::string&)>& Line) {
  char buf[4096];
  while (OutputOpen()) {
    const long n = child_.Read(buf, sizeof buf);
    if (n < 0) return;  // nothing more for now
    if (n == 0) {
      if (!partial_.empty()) Line(partial_);
      partial_.clear();
      return;
    }
    partial_.append(buf, size_t(n));
    for (size_t end; (end = partial_.find('\n')) != std::string::npos; partial_.erase(0, end + 1)) {
#ifdef _WIN32
      const size_t cr = end > 0 && partial_[end - 1] == '\r' ? 1 : 0;  // a text-mode line end
#else
      const size_t cr = 0;
#endif
      Line(partial_.substr(0, end - cr));
    }
  }
}

bool TChildPipe::Finish(int TimeoutMs, const std::function<void(const std::string&)>& Line) {
  const uint32_t start = platform::GetTickCount();
  for (;;) {
    ReadLines(Line);
    if (!OutputOpen() && HasEnded()) return true;
    const int left = TimeoutMs - int(platform::TicksSince(start));
    if (left <= 0) return false;
    if (OutputOpen())
      WaitForOutput({this}, std::min(left, 100));
    else
      platform::Sleep(10);
  }
}

void WaitForOutput(const std::vector<TChildPipe*>& Children, int TimeoutMs) {
  std::vector<platform::TChildProcess*> processes;
  for (TChildPipe* c : Children) processes.push_back(&c->child_);
  platform::WaitForOutput(processes, TimeoutMs);
}

}  // namespace cli
