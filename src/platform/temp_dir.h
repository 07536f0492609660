#pragma once
// A private folder for temporary files.
#include <string>

namespace platform {

// Creates a fresh folder (mode 0700) under the system's temporary folder ($TMPDIR, else
// /tmp) and removes it with everything in it when destroyed. Throws std::system_error
// when the folder cannot be made.
class TTempDir {
 public:
  explicit TTempDir(const std::string& Prefix = "kestrilo");
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  // The folder's path, with a trailing '/'.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The one folder of this program run, made on first use and removed when the program
// ends normally. Making it first removes the folders that runs which died left in Base
// (the system's temporary folder), never those of a run that is still going.
const std::string& RunTempDir();
void RemoveStaleRunDirs(const std::string& Base);
// The same in the system's temporary folder: after children that were killed.
void RemoveStaleRunDirs();

}  // namespace platform
