#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace platform {
namespace {

[[noreturn]] void ThrowErrno(const std::string& What) {
  throw std::system_error(errno, std::generic_category(), What);
}

// The descriptor, closed when it goes out of scope unless Close() already did.
class FileDescriptor {
 public:
  explicit FileDescriptor(int Fd) : fd_(Fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  int Close() {
    const int Result = ::close(fd_);
    fd_ = -1;
    return Result;
  }

 private:
  int fd_;
};

// Removes the temporary file unless the rename has consumed it.
struct TempFileRemover {
  std::string Path;
  bool Armed = true;
  ~TempFileRemover() {
    if (Armed) ::unlink(Path.c_str());
  }
};

void WriteAll(int Fd, std::string_view Bytes, const std::string& Name) {
  while (!Bytes.empty()) {
    const ssize_t Done = ::write(Fd, Bytes.data(), Bytes.size());
    if (Done < 0 && errno == EINTR) continue;
    if (Done < 0) ThrowErrno("cannot write " + Name);
    Bytes.remove_prefix(size_t(Done));
  }
}

// The folder's entry for the new name reaches the disk too; a file system that cannot
// sync a folder still has the data synced, so that failure is not reported.
void SyncFolder(const std::filesystem::path& Folder) {
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;
  FileDescriptor Dir(Fd);
  ::fsync(Dir.Get());
}

// A file that may not be written is not replaced by the rename behind its owner's back.
void CheckWritable(const std::filesystem::path& Target) {
  const int Fd = ::open(Target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (Fd < 0 && errno != ENOENT) ThrowErrno("cannot write " + Target.string());
  if (Fd >= 0) ::close(Fd);
}

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& Target, std::string_view Bytes) {
  // Through a link the file it names is written; the link stays.
  const std::filesystem::path Real = FollowLinks(Target);
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(Real))) {
    errno = ELOOP;
    ThrowErrno("cannot follow the link " + Target.string());
  }
  CheckWritable(Real);
  const std::filesystem::path Folder =
      Real.has_parent_path() ? Real.parent_path() : std::filesystem::path(".");
  const std::string Base = Folder / ("." + Real.filename().string() + "." + std::to_string(::getpid()));
  std::string Temp;
  int Fd = -1;
  // The kernel applies the umask to 0666, as for any new file the user saves.
  for (int Try = 0; Fd < 0; ++Try) {
    Temp = Base + "." + std::to_string(Try) + ".tmp";
    Fd = ::open(Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (Fd < 0 && (errno != EEXIST || Try >= 100)) ThrowErrno("cannot create a file in " + Folder.string());
  }
  FileDescriptor File(Fd);
  TempFileRemover Remover{Temp};
  struct stat Old;
  if (::stat(Real.c_str(), &Old) == 0 && ::fchmod(File.Get(), Old.st_mode & 07777) != 0)
    ThrowErrno("cannot set the mode of " + Temp);
  WriteAll(File.Get(), Bytes, Temp);
  if (::fsync(File.Get()) != 0) ThrowErrno("cannot flush " + Temp);
  if (File.Close() != 0) ThrowErrno("cannot close " + Temp);
  if (::rename(Temp.c_str(), Real.c_str()) != 0) ThrowErrno("cannot rename " + Temp + " to " + Real.string());
  Remover.Armed = false;
  SyncFolder(Folder);
}

}  // namespace platform
