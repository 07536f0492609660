#include "recorder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include "wave.h"

namespace devsim {
namespace {

void MakeDirs(const std::string& dir) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = dir.find('/', pos + 1);
    partial = dir.substr(0, pos);
    if (partial.empty()) continue;
    if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
      throw std::system_error(errno, std::generic_category(), "cannot create " + partial);
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw std::system_error(ENOTDIR, std::generic_category(), "cannot use " + dir + " as dump folder");
}

bool IsOwnFile(const std::string& name) {
  if (name == "addresses.txt" || name == "session.log") return true;
  const std::string pre = "sound-", post = ".wav";
  if (name.size() <= pre.size() + post.size() || name.rfind(pre, 0) != 0 ||
      name.compare(name.size() - post.size(), post.size(), post) != 0)
    return false;
  for (std::size_t i = pre.size(); i < name.size() - post.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Writes all of data to path through a temporary name, so a reader never sees half a file.
bool WriteWhole(const std::string& path, const std::vector<std::uint8_t>& data) {
  const std::string tmp = path + ".part";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += std::size_t(n);
  }
  bool ok = done == data.size();
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(tmp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

void Complain(const std::string& path) {
  std::fprintf(stderr, "kestrilo-devsim: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
}

}  // namespace

Recorder::Recorder(std::string dump_dir) : dump_dir_(std::move(dump_dir)) {
  if (dump_dir_.empty()) return;
  MakeDirs(dump_dir_);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(dump_dir_.c_str()));
  if (!dir) throw std::system_error(errno, std::generic_category(), "cannot read " + dump_dir_);
  std::vector<std::string> old;
  while (dirent* e = ::readdir(dir.get()))
    if (IsOwnFile(e->d_name)) old.emplace_back(e->d_name);
  for (const auto& name : old) ::unlink(Path(name).c_str());
  for (const char* name : {"session.log", "addresses.txt"}) {
    int fd = ::open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot write " + Path(name));
    ::close(fd);
  }
}

std::string Recorder::Path(const std::string& name) const { return dump_dir_ + "/" + name; }

void Recorder::AppendFile(const std::string& name, const std::string& text) {
  if (dump_dir_.empty()) return;
  const std::string path = Path(name);
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0 || ::write(fd, text.data(), text.size()) != ssize_t(text.size())) Complain(path);
  if (fd >= 0) ::close(fd);
}

void Recorder::Log(std::string line) {
  AppendFile("session.log", line + "\n");
  std::lock_guard lock(mutex_);
  log_.push_back(std::move(line));
  changed_.notify_all();
}

void Recorder::EraseSounds() {
  std::lock_guard lock(mutex_);
  if (!dump_dir_.empty())
    for (std::size_t i = 0; i < sounds_.size(); ++i)
      ::unlink(Path("sound-" + std::to_string(i + 1) + ".wav").c_str());
  sounds_.clear();
  sound_open_ = false;
  changed_.notify_all();
}

void Recorder::StartSound() {
  std::lock_guard lock(mutex_);
  sounds_.emplace_back();
  sound_open_ = true;
  changed_.notify_all();
}

void Recorder::AddSample(std::uint8_t sample) {
  std::lock_guard lock(mutex_);
  if (!sounds_.empty()) sounds_.back().push_back(sample);
}

void Recorder::EndSound() {
  std::lock_guard lock(mutex_);
  if (!sound_open_) return;
  sound_open_ = false;
  WriteSound(sounds_.size() - 1);
  changed_.notify_all();
}

void Recorder::WriteSound(std::size_t index) {
  if (dump_dir_.empty()) return;
  const std::string path = Path("sound-" + std::to_string(index + 1) + ".wav");
  if (!WriteWhole(path, MakeWave(sounds_[index]))) Complain(path);
}

void Recorder::Address(AddressCommand a) {
  AppendFile("addresses.txt", std::to_string(a.input) + " " + std::to_string(a.address) + "\n");
  std::lock_guard lock(mutex_);
  addresses_.push_back(a);
  changed_.notify_all();
}

void Recorder::Play(int n) {
  std::lock_guard lock(mutex_);
  plays_.push_back(n);
  changed_.notify_all();
}

void Recorder::CountReceived(std::size_t n) {
  std::lock_guard lock(mutex_);
  received_ += n;
}

void Recorder::CountSent(std::size_t n) {
  std::lock_guard lock(mutex_);
  sent_ += n;
}

void Recorder::SetIdle(bool idle) {
  std::lock_guard lock(mutex_);
  idle_ = idle;
  changed_.notify_all();
}

void Recorder::SetHungUp() {
  std::lock_guard lock(mutex_);
  hung_up_ = true;
  changed_.notify_all();
}

void Recorder::Finish() {
  std::lock_guard lock(mutex_);
  if (sound_open_) WriteSound(sounds_.size() - 1);
  sound_open_ = false;
}

std::vector<std::string> Recorder::LogLines() const {
  std::lock_guard lock(mutex_);
  return log_;
}
std::vector<std::vector<std::uint8_t>> Recorder::Sounds() const {
  std::lock_guard lock(mutex_);
  return sounds_;
}
std::vector<AddressCommand> Recorder::Addresses() const {
  std::lock_guard lock(mutex_);
  return addresses_;
}
std::vector<int> Recorder::Plays() const {
  std::lock_guard lock(mutex_);
  return plays_;
}
std::uint64_t Recorder::Received() const {
  std::lock_guard lock(mutex_);
  return received_;
}
std::uint64_t Recorder::Sent() const {
  std::lock_guard lock(mutex_);
  return sent_;
}
bool Recorder::Idle() const {
  std::lock_guard lock(mutex_);
  return idle_;
}
bool Recorder::HungUp() const {
  std::lock_guard lock(mutex_);
  return hung_up_;
}

bool Recorder::WaitLogSize(std::size_t lines, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return log_.size() >= lines; });
}

bool Recorder::WaitLogLine(const std::string& line, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  std::size_t seen = 0;
  return changed_.wait_for(lock, timeout, [&] {
    for (; seen < log_.size(); ++seen)
      if (log_[seen] == line) return true;
    return false;
  });
}

}  // namespace devsim
