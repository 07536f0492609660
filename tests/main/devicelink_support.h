// Shared by the device link's tests: environment, windows, simulators, raw pseudo-terminals.
#pragma once
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <stdlib.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devsim/devsim.h"
#include "main/frmMain.h"
#include "serial/CPort.h"
#include "support/pty.h"

namespace testsupport {

using namespace std::chrono_literals;

// Sets (or, with no value, removes) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* Name, std::optional<std::string> Value) : Name_(Name) {
    if (const char* old = getenv(Name)) Old_ = old;
    if (Value)
      setenv(Name, Value->c_str(), 1);
    else
      unsetenv(Name);
  }
  ~ScopedEnv() {
    if (Old_)
      setenv(Name_, Old_->c_str(), 1);
    else
      unsetenv(Name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* Name_;
  std::optional<std::string> Old_;
};

inline std::string Join(const std::vector<std::string>& Paths) {
  std::string out;
  for (const auto& p : Paths) out += (out.empty() ? "" : ":") + p;
  return out;
}

// A created main window with its device link.
inline std::unique_ptr<TForm1> MakeWindow() {
  auto w = std::make_unique<TForm1>();
  if (!w->Engine) w->CreateDeviceLink();
  return w;
}

inline devsim::Options SimAt(unsigned Baud, unsigned Units = 32) {
  devsim::Options o;
  o.baud = Baud;
  o.capacity_units = Units;
  o.line_rate = false;
  return o;
}

inline devsim::Options Silent(unsigned Baud = 115200) {
  auto o = SimAt(Baud);
  o.silent = true;
  return o;
}

// A pseudo-terminal that the test drives itself. It takes what the host writes as soon as
// it arrives (a host's close flushes what is still unread), noting the host's line speed.
class RawPty {
 public:
  RawPty() : reader_([this] { Drain(); }) {}
  ~RawPty() {
    stop_ = true;
    reader_.join();
  }
  RawPty(const RawPty&) = delete;
  RawPty& operator=(const RawPty&) = delete;

  const std::string& Path() const { return pty_.Path(); }
  // Called from event handlers: a failed write shows in what the test then sees, never as a throw.
  void Send(const std::string& Bytes) const { testpty::WriteAll(pty_.Master(), Bytes); }
  // What the host wrote since the start or the last Forget().
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  void Forget() {
    std::lock_guard lock(mutex_);
    received_.clear();
  }
  // The host's output speed when the last byte arrived.
  speed_t LastSpeed() {
    std::lock_guard lock(mutex_);
    return speed_;
  }

 private:
  void Drain() {
    while (!stop_) {
      const std::string got = testpty::ReadUntil(pty_.Master(), 1, 20ms);
      if (got.empty()) continue;
      const termios line = pty_.Attributes();
      std::lock_guard lock(mutex_);
      received_ += got;
      speed_ = cfgetospeed(&line);
    }
  }

  testpty::Pty pty_;
  std::mutex mutex_;
  std::string received_;
  speed_t speed_ = 0;
  std::atomic<bool> stop_{false};
  std::thread reader_;
};

inline bool MessageBoxShown() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<QMessageBox*>(w) && w->isVisible()) return true;
  return false;
}

// Sound test entries carry their number as the action's data.
inline QAction* SoundItem(TForm1& W, int Tag) {
  QAction* items[] = {W.Sound01, W.Sound21, W.Sound31, W.Sound41};
  if (QAction* a = items[Tag - 1]) return a;
  auto* a = new QAction(QStringLiteral("Sound %1").arg(Tag), &W);
  a->setData(Tag);
  return a;
}

}  // namespace testsupport
