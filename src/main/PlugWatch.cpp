#include "main/PlugWatch.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QFileSystemWatcher>
#include <QTimer>
#include <cstdlib>
#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/port_identity.h"
#include "platform/port_map.h"

namespace {

#ifndef _WIN32
QString EnvOr(const char* Name, const char* Default) {
  const char* v = std::getenv(Name);
  return QString::fromLocal8Bit(v && *v ? v : Default);
}
#endif

#ifdef _WIN32
// Windows tells every top-level window that device nodes changed; no folder shows it.
class TDeviceChangeFilter : public QAbstractNativeEventFilter {
 public:
  explicit TDeviceChangeFilter(TPlugWatch* Watch) : watch_(Watch) {}
  bool nativeEventFilter(const QByteArray& Type, void* Message, qintptr*) override {
    if (Type == "windows_generic_MSG" && static_cast<MSG*>(Message)->message == WM_DEVICECHANGE)
      QMetaObject::invokeMethod(watch_, [w = watch_] { w->Look(); }, Qt::QueuedConnection);
    return false;
  }

 private:
  TPlugWatch* watch_;
};
#endif

}  // namespace

TPlugWatch::TPlugWatch(int SettleMs, QObject* Parent)
    : QObject(Parent), watcher_(new QFileSystemWatcher(this)), settle_(new QTimer(this)), known_(Ports()) {
  settle_->setSingleShot(true);
  settle_->setInterval(SettleMs);
  // Udev makes the node in the device folder; sysfs shows the tty first. Either may be the
  // one the system reports.
#ifdef _WIN32
  deviceChange_ = std::make_unique<TDeviceChangeFilter>(this);
  QCoreApplication::instance()->installNativeEventFilter(deviceChange_.get());
#else
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

TPlugWatch::~TPlugWatch() {
  if (deviceChange_) QCoreApplication::instance()->removeNativeEventFilter(deviceChange_.get());
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
