#include "main/PlugWatch.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <cstdlib>

#include "platform/port_identity.h"
#include "platform/port_map.h"

namespace {

QString EnvOr(const char* Name, const char* Default) {
  const char* v = std::getenv(Name);
  return QString::fromLocal8Bit(v && *v ? v : Default);
}

}  // namespace

TPlugWatch::TPlugWatch(int SettleMs, QObject* Parent)
    : QObject(Parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)), known_(Ports()) {
  settle_->setSingleShot(true);
  settle_->setInterval(SettleMs);
  // Udev makes the node in the device folder; sysfs shows the tty first. Either may be the
  // one the system reports.
#ifndef _WIN32
  for (const QString& dir : {EnvOr("KESTRILO_DEV_DIR", "/dev"), EnvOr("KESTRILO_SYSFS_TTY", "/sys/class/tty")})
    watcher_->addPath(dir);
#endif
  connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { Look(); });
  connect(settle_, &QTimer::timeout, this, [this] {
    if (!appeared_) return;
    appeared_ = false;
    emit Settled();
  });
}

void TPlugWatch::SetSettleMs(int Milliseconds) { settle_->setInterval(Milliseconds); }

std::set<std::string> TPlugWatch::Ports() {
  std::set<std::string> ports;
  if (const auto map = platform::ReadPortMap())
    for (const auto& v : *map) ports.insert(v.Data);
  return ports;
}

void TPlugWatch::Look() {
  const std::set<std::string> now = Ports();
  for (const std::string& port : known_)
    if (!now.count(port)) emit Gone(QString::fromStdString(port));
  bool changed = false;
  for (const std::string& port : now) {
    if (known_.count(port)) continue;
    changed = true;
    const std::string adapter = platform::DescribeAdapter(platform::IdentityOf({port, port}));
    emit Appeared(QString::fromStdString(port), QString::fromStdString(adapter));
  }
  known_ = now;
  if (!changed && !settle_->isActive()) return;
  appeared_ = appeared_ || changed;
  settle_->start();  // every further change starts the wait again
}
