#pragma once
// A hidden message receiver owned by the main thread. Another thread's SendMessage blocks until
// the main thread has received the message (and replied, at the latest when its procedure
// returns). Messages are delivered by CheckSynchronize, so every pump that runs synchronised
// calls also receives sent messages.
#include <cstdint>
#include <functional>
#include <memory>

constexpr uint32_t WM_USER = 0x0400;

struct TMessage {
  uint32_t Msg = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  intptr_t Result = 0;
};

using TWndMethod = std::function<void(TMessage& Message)>;

class TNotificationWindow {
 public:
  // Create on the main thread. Proc receives every message; it sets Message.Result.
  explicit TNotificationWindow(TWndMethod Proc);
  // Releases every sender still waiting for this window, with result 0.
  ~TNotificationWindow();
  TNotificationWindow(const TNotificationWindow&) = delete;
  TNotificationWindow& operator=(const TNotificationWindow&) = delete;

  // From another thread: queue the message, wake the main thread, block until it is received
  // and replied to. On the main thread: call the procedure directly.
  intptr_t SendMessage(uint32_t Msg, uintptr_t WParam, intptr_t LParam);

  struct Impl;

 private:
  std::shared_ptr<Impl> FImpl;
};

// Inside a window procedure: true when the message being handled came from another thread.
bool InSendMessage();
// Inside a window procedure: releases the sender at once with Result. False when there is no
// sender waiting (not a sent message, or already replied).
bool ReplyMessage(intptr_t Result);
// Default handling of a message: nothing, result 0.
void DefWindowProc(TMessage& Message);

// Main thread: delivers every message sent so far. True when any was delivered.
bool DispatchSentMessages();
