#include "cli/StatusBlock.h"

#include "cli/Console.h"

namespace cli {

void TStatusBlock::Erase() {
  if (shown_ > 1) std::fprintf(out_, "\x1b[%zuA", shown_ - 1);
  std::fputs("\r\x1b[J", out_);
}

void TStatusBlock::Show(const std::vector<std::string>& Lines) {
  const size_t width = size_t(ErrorTerminalWidth() - 1);
  if (shown_ > 0) Erase();
  for (size_t i = 0; i < Lines.size(); ++i)
    std::fprintf(out_, "%s%s", i > 0 ? "\n" : "", Lines[i].substr(0, width).c_str());
  std::fflush(out_);
  shown_ = Lines.size();
}

void TStatusBlock::Clear() {
  if (shown_ == 0) return;
  Erase();
  std::fflush(out_);
  shown_ = 0;
}

}  // namespace cli
