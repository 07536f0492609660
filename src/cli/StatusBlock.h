#pragma once
// Lines at the bottom of a terminal that are redrawn in place; permanent lines go above them.
#include <cstdio>
#include <string>
#include <vector>

namespace cli {

class TStatusBlock {
 public:
  explicit TStatusBlock(std::FILE* Out) : out_(Out) {}
  ~TStatusBlock() { Clear(); }
  TStatusBlock(const TStatusBlock&) = delete;
  TStatusBlock& operator=(const TStatusBlock&) = delete;

  // Replaces the block; each line is cut to the terminal's width so that none wraps.
  void Show(const std::vector<std::string>& Lines);
  // Removes the block, so that what is printed next starts where it began.
  void Clear();

 private:
  void Erase();
  std::FILE* out_;
  size_t shown_ = 0;
};

}  // namespace cli
