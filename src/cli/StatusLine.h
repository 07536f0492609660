#pragma once
// One line on a terminal that is rewritten in place; permanent lines go above it.
#include <cstdio>
#include <string>

namespace cli {

class TStatusLine {
 public:
  explicit TStatusLine(std::FILE* Out) : out_(Out) {}
  ~TStatusLine() { Clear(); }
  TStatusLine(const TStatusLine&) = delete;
  TStatusLine& operator=(const TStatusLine&) = delete;

  // Replaces the line, cut to the terminal's width so that it never wraps.
  void Show(const std::string& Text);
  // Empties the line, so that what is printed next starts at its left.
  void Clear();

 private:
  std::FILE* out_;
  bool shown_ = false;
};

}  // namespace cli
