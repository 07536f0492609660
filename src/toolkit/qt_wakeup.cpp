#include "toolkit/qt_wakeup.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QPointer>
#include <atomic>

#include "toolkit/synchronize.h"

namespace {

const QEvent::Type kWakeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class Dispatcher : public QObject {
 public:
  explicit Dispatcher(QObject* parent) : QObject(parent) {}
  ~Dispatcher() override { SetWakeMainThread({}); }

  // Any thread: one pending wake-up event is enough, however many hand-overs are queued.
  void Post() {
    if (!FPending.exchange(true)) QCoreApplication::postEvent(this, new QEvent(kWakeEvent));
  }

 protected:
  void customEvent(QEvent* event) override {
    if (event->type() != kWakeEvent) return;
    FPending = false;
    CheckSynchronize();
  }

 private:
  std::atomic<bool> FPending{false};
};

QPointer<Dispatcher> g_dispatcher;

}  // namespace

void InstallQtWakeup() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || g_dispatcher) return;
  SetMainThreadToCurrent();
  auto* dispatcher = new Dispatcher(app);  // owned by the application object
  g_dispatcher = dispatcher;
  SetWakeMainThread([dispatcher] { dispatcher->Post(); });
  // Hand-overs queued before the hook existed.
  dispatcher->Post();
}
