#include "cli/StatusLine.h"

#include "cli/Console.h"

namespace cli {

void TStatusLine::Show(const std::string& Text) {
  const size_t width = size_t(ErrorTerminalWidth() - 1);
  const std::string line = Text.size() > width ? Text.substr(0, width) : Text;
  std::fprintf(out_, "\r%s\x1b[K", line.c_str());
  std::fflush(out_);
  shown_ = true;
}

void TStatusLine::Clear() {
  if (!shown_) return;
  std::fputs("\r\x1b[K", out_);
  std::fflush(out_);
  shown_ = false;
}

}  // namespace cli
