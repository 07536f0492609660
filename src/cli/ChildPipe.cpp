#include "cli/ChildPipe.h"

#include <algorithm>

#include "platform/ticks.h"

namespace cli {

void TChildPipe::ReadLines(const std::function<void(const std::string&)>& Line) {
  char buf[4096];
  while (OutputOpen()) {
    const long n = ReadAvailable(buf, sizeof buf);
    if (n < 0) return;  // nothing more for now
    if (n == 0) {
      CloseOutput();
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
    if (!OutputOpen() && Reap(false)) return true;
    const int left = TimeoutMs - int(platform::TicksSince(start));
    if (left <= 0) return false;
    if (OutputOpen())
      WaitForOutput({this}, std::min(left, 100));
    else
      platform::Sleep(10);
  }
}

}  // namespace cli
