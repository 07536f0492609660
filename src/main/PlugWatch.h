#pragma once
// Serial ports appearing and going: the device folder and sysfs' tty folder are watched; each
// change is compared with the port map read before it. Nothing here opens a port.
#include <QObject>
#include <QString>
#include <memory>
#include <set>
#include <string>

class QAbstractNativeEventFilter;
class QFileSystemWatcher;
class QTimer;

class TPlugWatch : public QObject {
  Q_OBJECT
 public:
  // SettleMs: how long a new port is left alone before Settled (udev still sets it up).
  TPlugWatch(int SettleMs, QObject* Parent);
  ~TPlugWatch() override;
  void SetSettleMs(int Milliseconds);
  // Reads the map again now, as a change of the folders would.
  void Look();

 signals:
  // Description: the adapter ("FTDI FT232R (A50285BI)"), empty when it is not on USB.
  void Appeared(const QString& Port, const QString& Description);
  void Gone(const QString& Port);
  // The ports that appeared have had SettleMs without a further change.
  void Settled();

 private:
  static std::set<std::string> Ports();
  QFileSystemWatcher* watcher_ = nullptr;
  QTimer* settle_ = nullptr;
  std::set<std::string> known_;
  bool appeared_ = false;
  std::unique_ptr<QAbstractNativeEventFilter> deviceChange_;  // Windows: WM_DEVICECHANGE
};
