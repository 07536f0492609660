#include "toolkit/notification_window.h"

#include <condition_variable>
#include <deque>
#include <mutex>

#include "toolkit/synchronize.h"

struct TNotificationWindow::Impl {
  TWndMethod proc;
  bool alive = true;  // guarded by the queue mutex
};

namespace {

struct SentMessage {
  std::shared_ptr<TNotificationWindow::Impl> window;
  TMessage message;
  bool replied = false;
};

struct Queue {
  std::mutex mutex;
  std::condition_variable repliedCv;
  std::deque<SentMessage*> pending;
};

Queue& Q() {
  static Queue* q = new Queue;  // never destroyed: senders may outlive statics
  return *q;
}

// The sent message the main thread is handling. The sender's entry stays valid until it is
// marked replied; after that only the local flag may be looked at.
struct Current {
  SentMessage* message = nullptr;
  bool replied = false;
};
thread_local Current* t_current = nullptr;

// Releases the sender; the entry must not be touched afterwards.
void ReleaseSender(Queue& q, SentMessage* m, intptr_t result) {
  std::lock_guard lock(q.mutex);
  m->message.Result = result;
  m->replied = true;
  q.repliedCv.notify_all();
}

}  // namespace

TNotificationWindow::TNotificationWindow(TWndMethod Proc) : FImpl(std::make_shared<Impl>()) {
  FImpl->proc = std::move(Proc);
}

TNotificationWindow::~TNotificationWindow() {
  Queue& q = Q();
  std::lock_guard lock(q.mutex);
  FImpl->alive = false;
  for (auto it = q.pending.begin(); it != q.pending.end();) {
    if ((*it)->window == FImpl) {
      (*it)->message.Result = 0;
      (*it)->replied = true;
      it = q.pending.erase(it);
    } else {
      ++it;
    }
  }
  q.repliedCv.notify_all();
}

intptr_t TNotificationWindow::SendMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
  if (IsMainThread()) {
    TMessage m{Msg, WParam, LParam, 0};
    Current* outer = t_current;
    t_current = nullptr;  // a direct call is not a message from another thread
    TWndMethod proc = FImpl->proc;
    try {
      proc(m);
    } catch (...) {
      t_current = outer;
      throw;
    }
    t_current = outer;
    return m.Result;
  }
  Queue& q = Q();
  SentMessage entry{FImpl, TMessage{Msg, WParam, LParam, 0}, false};
  {
    std::lock_guard lock(q.mutex);
    if (!FImpl->alive) return 0;
    q.pending.push_back(&entry);
  }
  WakeMainThread();
  std::unique_lock lock(q.mutex);
  q.repliedCv.wait(lock, [&] { return entry.replied; });
  return entry.message.Result;
}

bool InSendMessage() { return t_current != nullptr; }

bool ReplyMessage(intptr_t Result) {
  Current* c = t_current;
  if (c == nullptr || c->replied) return false;
  c->replied = true;
  ReleaseSender(Q(), c->message, Result);
  return true;
}

void DefWindowProc(TMessage& Message) { Message.Result = 0; }

bool DispatchSentMessages() {
  if (!IsMainThread()) return false;
  Queue& q = Q();
  bool any = false;
  for (;;) {
    SentMessage* m = nullptr;
    std::shared_ptr<TNotificationWindow::Impl> window;
    TMessage copy;
    {
      std::lock_guard lock(q.mutex);
      if (q.pending.empty()) break;
      m = q.pending.front();
      q.pending.pop_front();
      window = m->window;
      copy = m->message;
    }
    any = true;
    Current current{m, false};
    Current* outer = t_current;
    t_current = &current;
    TWndMethod proc = window->proc;  // the window may be destroyed by its own procedure
    try {
      proc(copy);
    } catch (...) {
      // A procedure must not throw into the pump; the result stays as it was set.
    }
    t_current = outer;
    if (!current.replied) ReleaseSender(q, m, copy.Result);
  }
  return any;
}
