// The synchronised call, the thread class and the notification window, without a GUI toolkit:
// the test's main thread is the UI thread and pumps with CheckSynchronize.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "toolkit/exception_report.h"
#include "toolkit/notification_window.h"
#include "toolkit/synchronize.h"
#include "toolkit/thread.h"

namespace {

bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    CheckSynchronize();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Counts the wake-ups of the main thread: each is one queued call or one sent message.
class WakeCounter {
 public:
  WakeCounter() { SetWakeMainThread([this] { ++wakes_; }); }
  ~WakeCounter() { SetWakeMainThread({}); }
  WakeCounter(const WakeCounter&) = delete;
  WakeCounter& operator=(const WakeCounter&) = delete;
  // Waits (without pumping) until Want wake-ups have been seen; false when the time ran out.
  bool Reach(int Want) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (wakes_ < Want) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

 private:
  std::atomic<int> wakes_{0};
};

class FnThread : public TThread {
 public:
  explicit FnThread(std::function<void(FnThread&)> body, bool suspended = true)
      : TThread(true), FBody(std::move(body)) {
    if (!suspended) Resume();
  }
  ~FnThread() override { TerminateAndWait(); }
  using TThread::Synchronize;

 protected:
  void Execute() override { FBody(*this); }

 private:
  std::function<void(FnThread&)> FBody;
};

}  // namespace

TEST(Synchronize, RunsOnTheMainThreadOnlyWhenPumped) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_FALSE(CheckSynchronize()) << "nothing queued";
  const auto main = std::this_thread::get_id();
  std::atomic<bool> ran{false}, returned{false};
  bool returnedBeforeRun = true;
  std::thread::id ranOn;
  std::thread worker([&] {
    Synchronize([&] {
      ranOn = std::this_thread::get_id();
      returnedBeforeRun = returned;
      ran = true;
    });
    returned = true;
  });
  while (!SynchronizePending()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_FALSE(returnedBeforeRun) << "the caller blocks until the call has run";
  worker.join();
  EXPECT_TRUE(ran);
  EXPECT_EQ(ranOn, main);
}

TEST(Synchronize, ErrorsAreCarriedBackToTheCaller) {
  std::promise<std::string> caught;
  std::thread worker([&] {
    try {
      Synchronize([] { throw std::runtime_error("on the UI thread"); });
      caught.set_value("nothing");
    } catch (const std::exception& e) {
      caught.set_value(e.what());
    }
  });
  auto f = caught.get_future();
  ASSERT_TRUE(PumpUntil([&] { return f.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  worker.join();
  EXPECT_EQ(f.get(), "on the UI thread");
}

TEST(Synchronize, OnTheMainThreadRunsAtOnce) {
  int n = 0;
  Synchronize([&] { ++n; });
  EXPECT_EQ(n, 1);
  EXPECT_THROW(Synchronize([] { throw std::logic_error("x"); }), std::logic_error);
}

TEST(Synchronize, CallsRunInQueueOrder) {
  std::vector<int> order;
  std::vector<std::thread> workers;
  WakeCounter queued;
  for (int i = 0; i < 3; ++i) {
    workers.emplace_back([&, i] { Synchronize([&, i] { order.push_back(i); }); });
    // Each is queued before the next starts.
    EXPECT_TRUE(queued.Reach(i + 1));
  }
  EXPECT_TRUE(order.empty());
  CheckSynchronize();
  EXPECT_EQ(order.size(), 3u) << "one pump runs every queued call";
  PumpUntil([&] { return order.size() == 3; });  // a failed check must not hang the joins
  for (auto& w : workers) w.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(Synchronize, WakeHookIsCalledWhenWorkIsQueued) {
  std::atomic<int> wakes{0};
  SetWakeMainThread([&] { ++wakes; });
  std::thread worker([] { Synchronize([] {}); });
  ASSERT_TRUE(PumpUntil([&] { return wakes > 0 && !SynchronizePending(); }));
  worker.join();
  SetWakeMainThread({});
  EXPECT_GE(wakes, 1);
}

TEST(Thread, CreatedSuspendedRunsOnlyAfterResume) {
  std::atomic<bool> ran{false}, resumed{false}, ranBeforeResume{true};
  FnThread t([&](FnThread&) {
    ranBeforeResume = !resumed;
    ran = true;
  });
  t.SetPriority(tpNormal);
  EXPECT_EQ(t.Priority(), tpNormal);
  resumed = true;
  t.Resume();
  t.WaitFor();
  EXPECT_TRUE(ran);
  EXPECT_FALSE(ranBeforeResume);
  EXPECT_TRUE(t.Finished());
}

TEST(Thread, WaitForServesAThreadBlockedInAHandOver) {
  std::atomic<int> served{0};
  FnThread t([&](FnThread& self) {
    self.Synchronize([&] { ++served; });
    self.Synchronize([&] { ++served; });
  });
  t.Resume();
  // No pump of our own: WaitFor must run the queued calls or it would never return.
  t.WaitFor();
  EXPECT_EQ(served, 2);
}

TEST(Thread, TerminateIsAFlagTheBodyReads) {
  FnThread t([](FnThread& self) {
    while (!self.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  t.Resume();
  EXPECT_FALSE(t.Terminated());
  t.Terminate();
  t.WaitFor();
  EXPECT_TRUE(t.Finished());
}

TEST(Thread, AnErrorEndsTheBodyAndIsKept) {
  FnThread t([](FnThread& self) { self.Synchronize([] { throw std::runtime_error("handed back"); }); });
  t.Resume();
  t.WaitFor();
  ASSERT_TRUE(t.FatalException());
  EXPECT_STREQ(ExceptionMessage(t.FatalException()), "handed back");
}

TEST(NotificationWindow, SendBlocksUntilReceivedAndReturnsTheResult) {
  std::vector<TMessage> got;
  std::atomic<bool> returned{false};
  bool returnedBeforeReceived = true;
  TNotificationWindow w([&](TMessage& m) {
    returnedBeforeReceived = returned;
    got.push_back(m);
    EXPECT_TRUE(InSendMessage());
    m.Result = 42;
  });
  std::atomic<intptr_t> result{0};
  std::thread sender([&] {
    result = w.SendMessage(WM_USER + 1, 0x20, 7);
    returned = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
  sender.join();
  EXPECT_FALSE(returnedBeforeReceived) << "the sender blocks until the message is received";
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Msg, WM_USER + 1);
  EXPECT_EQ(got[0].WParam, 0x20u);
  EXPECT_EQ(got[0].LParam, 7);
  EXPECT_EQ(result, 42);
}

TEST(NotificationWindow, ReplyReleasesTheSenderBeforeTheWorkIsDone) {
  std::atomic<bool> senderBack{false};
  bool senderBackDuringWork = false;
  TNotificationWindow w([&](TMessage& m) {
    EXPECT_TRUE(ReplyMessage(5));
    EXPECT_FALSE(ReplyMessage(6)) << "only one reply";
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!senderBack && std::chrono::steady_clock::now() < end) std::this_thread::yield();
    senderBackDuringWork = senderBack;
    m.Result = 9;  // too late: the sender has its answer
  });
  intptr_t result = 0;
  std::thread sender([&] {
    result = w.SendMessage(WM_USER + 1, 1, 0);
    senderBack = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return senderBack.load(); }));
  sender.join();
  EXPECT_TRUE(senderBackDuringWork);
  EXPECT_EQ(result, 5);
}

TEST(NotificationWindow, DirectCallOnTheMainThreadIsNotASentMessage) {
  bool inSend = true;
  TNotificationWindow w([&](TMessage& m) {
    inSend = InSendMessage();
    m.Result = 3;
  });
  EXPECT_EQ(w.SendMessage(WM_USER, 0, 0), 3);
  EXPECT_FALSE(inSend);
  EXPECT_FALSE(ReplyMessage(1));
}

TEST(NotificationWindow, DestroyingTheWindowReleasesWaitingSenders) {
  auto w = std::make_unique<TNotificationWindow>([](TMessage& m) { m.Result = 1; });
  TNotificationWindow* window = w.get();  // the sender must not read the owner while it is reset
  std::atomic<bool> back{false};
  intptr_t result = -1;
  WakeCounter sent;
  std::thread sender([&] {
    result = window->SendMessage(WM_USER + 1, 1, 0);
    back = true;
  });
  // Destroyed only once the message waits in the queue, never under a sender still calling in.
  const bool queued = sent.Reach(1);
  EXPECT_TRUE(queued);
  if (!queued) PumpUntil([&] { return back.load(); });
  EXPECT_FALSE(back);
  w.reset();
  sender.join();
  EXPECT_EQ(result, 0);
}

TEST(NotificationWindow, WaitForDeliversSentMessages) {
  std::atomic<int> received{0};
  TNotificationWindow w([&](TMessage&) { ++received; });
  FnThread t([&](FnThread&) {
    w.SendMessage(WM_USER + 1, 1, 0);
    w.SendMessage(WM_USER + 1, 2, 0);
  });
  t.Resume();
  t.WaitFor();
  EXPECT_EQ(received, 2);
}

TEST(ExceptionReport, DefaultWritesTheMessageToStandardError) {
  testing::internal::CaptureStderr();
  ReportException(std::make_exception_ptr(std::runtime_error("COM1 Error: boom")));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "COM1 Error: boom\n");
}

TEST(ExceptionReport, InstalledReporterGetsTheError) {
  std::string seen;
  SetExceptionReport([&](std::exception_ptr e) { seen = ExceptionMessage(e); });
  ReportException(std::make_exception_ptr(std::runtime_error("shown")));
  SetExceptionReport([](std::exception_ptr) { throw 1; });
  EXPECT_NO_THROW(ReportException(std::make_exception_ptr(std::runtime_error("x"))));
  SetExceptionReport({});
  EXPECT_EQ(seen, "shown");
}
