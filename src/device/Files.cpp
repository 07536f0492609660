#include "device/Files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

#ifdef _WIN32
int SeekTo(std::FILE* F, int64_t Pos, int Whence) { return _fseeki64(F, Pos, Whence); }
int64_t Tell(std::FILE* F) { return _ftelli64(F); }
const char* const kReadMode = "rbN";  // N: not inherited by the encoder
const char* const kWriteMode = "wbN";
#else
int SeekTo(std::FILE* F, int64_t Pos, int Whence) { return fseeko(F, off_t(Pos), Whence); }
int64_t Tell(std::FILE* F) { return int64_t(ftello(F)); }
const char* const kReadMode = "rbe";  // e: close-on-exec, so the encoder never holds it
const char* const kWriteMode = "wbe";
#endif

const char* KindOf(std::filesystem::file_type Type) {
  using std::filesystem::file_type;
  switch (Type) {
    case file_type::directory: return "a folder";
    case file_type::fifo: return "a named pipe";
    case file_type::character:
    case file_type::block: return "a device";
    case file_type::socket: return "a socket";
    default: return nullptr;
  }
}

}  // namespace

int64_t FileSizeOf(const std::string& FileName) {
#ifdef _WIN32
  struct _stat64 st;
  if (FileName.empty() || ::_stat64(FileName.c_str(), &st) != 0) return -1;
#else
  struct stat st;
  if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0) return -1;
#endif
  return static_cast<int64_t>(st.st_size);
}

std::string NativePath(const std::string& Path) {
#ifdef _WIN32
  std::string out = Path;
  for (char& c : out)
    if (c == '/') c = '\\';
  return out;
#else
  return Path;
#endif
}

std::string BaseName(const std::string& Path) {
#ifdef _WIN32
  const auto slash = Path.find_last_of("/\\");
#else
  const auto slash = Path.find_last_of('/');
#endif
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

std::string NotASoundFile(const std::string& Path) {
  std::error_code error;
  const auto type = std::filesystem::status(Path, error).type();
  if (type == std::filesystem::file_type::regular) return {};
  if (error || type == std::filesystem::file_type::not_found) {
    if (!error) error = std::make_error_code(std::errc::no_such_file_or_directory);
    return NativePath(Path) + ": " + error.message();
  }
  const char* const kind = KindOf(type);
  return kind ? std::string("it is ") + kind + ", not a sound file" : "it is not a regular file";
}

bool RemoveFile(const std::string& Path) {
  return std::remove(Path.c_str()) == 0 || errno == ENOENT;
}

void RenameFile(const std::string& From, const std::string& To) {
  RemoveFile(To);  // Windows does not replace on rename
  if (std::rename(From.c_str(), To.c_str()) != 0)
    throw std::runtime_error("Cannot rename file \"" + NativePath(From) + "\". " + std::strerror(errno));
}

TFile::TFile(const std::string& FileName, TMode Mode) : name_(FileName) {
  file_ = std::fopen(FileName.c_str(), Mode == fmRead ? kReadMode : kWriteMode);
  if (!file_) Fail("open", errno);
}

TFile::~TFile() {
  if (file_) std::fclose(file_);
}

int64_t TFile::Size() {
  const int64_t here = Pos();
  if (SeekTo(file_, 0, SEEK_END) != 0) Fail("read", errno);
  const int64_t size = Pos();
  Seek(here);
  return size;
}

int64_t TFile::Pos() {
  const int64_t p = Tell(file_);
  if (p < 0) Fail("read", errno);
  return p;
}

void TFile::Seek(int64_t Pos) {
  if (SeekTo(file_, Pos, SEEK_SET) != 0) Fail("read", errno);
}

size_t TFile::Read(void* Buffer, size_t Count) {
  const size_t got = std::fread(Buffer, 1, Count, file_);
  if (got < Count && std::ferror(file_)) Fail("read", errno);
  return got;
}

void TFile::Write(const void* Buffer, size_t Count) {
  if (std::fwrite(Buffer, 1, Count, file_) != Count) Fail("write", errno);
}

void TFile::Close() {
  std::FILE* f = file_;
  file_ = nullptr;
  errno = 0;
  if (f && std::fclose(f) != 0) Fail("write", errno);
}

void TFile::Fail(const char* Verb, int Error) const {
  const char* reason = Error ? std::strerror(Error) : "Unknown error";
  throw EFileError(std::string("Cannot ") + Verb + " file \"" + NativePath(name_) + "\". " + reason, Error);
}
