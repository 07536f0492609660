// The event thread: what a batch holds, in which order it runs and how it reaches handlers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "comm_recorder.h"
#include "pump.h"
#include "serial/CPort.h"
#include "support/pty.h"
#include "toolkit/exception_report.h"

namespace {

using Log = std::vector<std::string>;

// A thread-safe record of what handlers saw.
class EventLog {
 public:
  void Add(const std::string& s) {
    std::lock_guard lock(FMutex);
    FLog.push_back(s);
  }
  Log Get() const {
    std::lock_guard lock(FMutex);
    return FLog;
  }
  size_t Size() const {
    std::lock_guard lock(FMutex);
    return FLog.size();
  }
  void Clear() {
    std::lock_guard lock(FMutex);
    FLog.clear();
  }

 private:
  mutable std::mutex FMutex;
  Log FLog;
};

void RecordLineEvents(TComPort& port, EventLog& ev, bool readAll) {
  EventLog* e = &ev;
  port.OnRxChar = [e, readAll](TCustomComPort* s, int count) {
    std::string text;
    if (readAll) s->ReadText(text, count);
    e->Add("RxChar " + std::to_string(count) + (readAll ? " " + text : ""));
  };
  port.OnTxEmpty = [e](TCustomComPort*) { e->Add("TxEmpty"); };
  port.OnBreak = [e](TCustomComPort*) { e->Add("Break"); };
  port.OnRing = [e](TCustomComPort*) { e->Add("Ring"); };
  port.OnRxFlag = [e](TCustomComPort*) { e->Add("RxFlag"); };
  port.OnRx80Full = [e](TCustomComPort*) { e->Add("Rx80Full"); };
  port.OnError = [e](TCustomComPort*, TComErrors errors) { e->Add("Error " + std::to_string(errors.Bits())); };
  port.OnCTSChange = [e](TCustomComPort*, bool on) { e->Add(on ? "CTS1" : "CTS0"); };
  port.OnDSRChange = [e](TCustomComPort*, bool on) { e->Add(on ? "DSR1" : "DSR0"); };
  port.OnRLSDChange = [e](TCustomComPort*, bool on) { e->Add(on ? "RLSD1" : "RLSD0"); };
}

// The event thread clears the mask as it leaves its loop: after that, nothing more is reported.
bool ThreadLeftItsLoop(const CommRecorder& rec) {
  const auto masks = rec.Masks();
  return masks.size() >= 2 && masks.back() == 0;
}

struct Fixture {
  testpty::Pty pty;
  CommRecorder rec;
  EventLog ev;
  TComPort port;
  explicit Fixture(bool readAll = true, bool record = true) {
    port.SetCommServices(&rec);
    port.SetPort(pty.Path());
    if (record) RecordLineEvents(port, ev, readAll);
  }
  // Opens and forgets the line-state events of the open itself.
  void Open() {
    port.Open();
    ev.Clear();
  }
};

}  // namespace

TEST(EventMask, MappingIsExactBothWays) {
  EXPECT_EQ(EventsToMask(AllComEvents), 0x05FFu);
  EXPECT_EQ(MaskToEvents(0x05FF), AllComEvents);
  EXPECT_TRUE(MaskToEvents(0x0200).Empty());
  EXPECT_EQ(EventsToMask(TComEvents{evRxChar}), 0x0001u);
  const std::pair<TComEvent, uint32_t> pairs[] = {{evRxChar, 0x01},  {evTxEmpty, 0x04}, {evRxFlag, 0x02},
                                                  {evRing, 0x100},   {evBreak, 0x40},   {evCTS, 0x08},
                                                  {evDSR, 0x10},     {evError, 0x80},   {evRLSD, 0x20},
                                                  {evRx80Full, 0x400}};
  for (auto [event, bit] : pairs) {
    EXPECT_EQ(EventsToMask(TComEvents{event}), bit);
    EXPECT_EQ(MaskToEvents(bit), TComEvents{event});
  }
}

TEST(EventThread, MaskSetAtOpenAndClearedAtTheEnd) {
  Fixture f;
  f.Open();
  EXPECT_EQ(f.rec.Masks(), std::vector<uint32_t>{0x05FF});
  f.port.Close();
  EXPECT_EQ(f.rec.Masks(), (std::vector<uint32_t>{0x05FF, 0}));
  EXPECT_EQ(f.rec.Purges().back(), comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
  f.port.SetEvents(TComEvents{evRxChar});
  f.rec.Clear();
  f.Open();
  EXPECT_EQ(f.rec.Masks(), std::vector<uint32_t>{0x0001});
  f.port.Write("x", 1);  // no output-empty event is watched now
  f.pty.Send("a");
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  ASSERT_EQ(f.pty.Receive(1), "x");
  // A marker byte after the write has drained: an output-empty event would come before it.
  f.pty.Send("!");
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 2 && f.ev.Get().back() == "RxChar 1 !"; }));
  EXPECT_EQ(f.ev.Get(), (Log{"RxChar 1 a", "RxChar 1 !"}));
}

TEST(EventThread, BytesWaitForThePumpAndArriveAsOneEvent) {
  Fixture f;
  f.Open();
  f.pty.Send("abc");
  // The UI side is busy: the batch waits at its hand-over.
  ASSERT_TRUE(WaitUntil([] { return SynchronizePending(); }));
  ASSERT_TRUE(WaitUntil([&] { return f.port.InputCount() == 3; }));
  EXPECT_EQ(f.ev.Size(), 0u);
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  f.pty.Send("!");  // the marker's event comes after any other the three bytes raise
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 2 && f.ev.Get().back() == "RxChar 1 !"; }));
  EXPECT_EQ(f.ev.Get(), (Log{"RxChar 3 abc", "RxChar 1 !"}));
}

TEST(EventThread, UnreadBytesAreCountedAgainButNotReportedAgain) {
  Fixture f(/*readAll=*/false);
  f.Open();
  f.pty.Send("a");
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  EXPECT_EQ(f.ev.Get(), Log{"RxChar 1"});
  f.pty.Send("b");  // its event follows at once: the unread byte raised none in between
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 2; }));
  EXPECT_EQ(f.ev.Get(), (Log{"RxChar 1", "RxChar 2"}));
  std::string text;
  EXPECT_EQ(f.port.ReadText(text, 2), 2);
  EXPECT_EQ(text, "ab");
  f.pty.Send("c");  // after a read, a new byte is growth again
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 3; }));
  EXPECT_EQ(f.ev.Get().back(), "RxChar 1");
}

TEST(EventThread, BatchRunsInItsFixedOrder) {
  Fixture f;
  f.Open();
  // One batch holding every event: a real received byte, plus the line states a
  // pseudo-terminal cannot produce, added by the recorder to that same wait.
  f.rec.ExtraEvents = comm::EV_ERR | comm::EV_TXEMPTY | comm::EV_BREAK | comm::EV_RING | comm::EV_CTS |
                      comm::EV_DSR | comm::EV_RXFLAG | comm::EV_RLSD | comm::EV_RX80FULL;
  f.rec.ExtraErrors = comm::CE_FRAME;
  f.rec.ExtraModem = comm::MS_DSR_ON;
  f.pty.Send("q");
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 10; }));
  EXPECT_EQ(f.ev.Get(), (Log{"Error 1", "RxChar 1 q", "TxEmpty", "Break", "Ring", "CTS0", "DSR1", "RxFlag",
                             "RLSD0", "Rx80Full"}));
}

TEST(EventThread, ReceivedBytesBeforeOutputEmpty) {
  Fixture f(/*readAll=*/false);
  f.Open();
  f.pty.Send("a");
  ASSERT_TRUE(WaitUntil([] { return SynchronizePending(); }));
  // While that batch waits, a byte goes out and another comes in: the next batch has both.
  ASSERT_EQ(f.port.Write("w", 1), 1);
  f.pty.Send("b");
  ASSERT_EQ(f.pty.Receive(1), "w");
  ASSERT_TRUE(WaitUntil([&] { return f.port.InputCount() == 2; }));
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 3; }));
  f.pty.Send("m");  // a marker: nothing else comes before its event
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 4; }));
  EXPECT_EQ(f.ev.Get(), (Log{"RxChar 2", "RxChar 2", "TxEmpty", "RxChar 3"}));
}

TEST(EventThread, EmptyErrorSetAndEmptyQueueFireNothing) {
  Fixture f(/*readAll=*/false);
  f.Open();
  f.rec.ExtraEvents = comm::EV_ERR;  // an error event whose error word is empty
  f.pty.Send("a");
  ASSERT_TRUE(WaitUntil([] { return SynchronizePending(); }));
  std::string text;
  ASSERT_EQ(f.port.ReadText(text, 1), 1);  // the queue is empty when the batch runs
  f.pty.Send("m");  // a marker: the waiting batch runs before its event
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  EXPECT_EQ(f.ev.Get(), Log{"RxChar 1"});
}

TEST(EventThread, CloseRunsAWaitingBatchFirst) {
  Fixture f;
  EventLog order;
  f.port.OnBeforeClose = [&](TCustomComPort*) { f.ev.Add("BeforeClose"); };
  f.port.OnAfterClose = [&](TCustomComPort*) { f.ev.Add("AfterClose"); };
  f.Open();
  f.pty.Send("xyz");
  ASSERT_TRUE(WaitUntil([] { return SynchronizePending(); }));
  f.port.Close();
  EXPECT_EQ(f.ev.Get(), (Log{"CTS0", "DSR0", "RLSD0", "BeforeClose", "RxChar 3 xyz", "AfterClose"}));
  EXPECT_FALSE(SynchronizePending());
}

TEST(EventThread, AFailingStepEndsTheThreadUntilReopened) {
  Fixture f(true, false);
  std::atomic<int> calls{0};
  f.port.OnRxChar = [&](TCustomComPort* s, int count) {
    std::string text;
    s->ReadText(text, count);
    if (++calls == 1) throw std::runtime_error("handler failed");
  };
  f.Open();
  f.pty.Send("1");
  ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
  f.pty.Send("2");
  ASSERT_TRUE(PumpUntil([&] { return ThreadLeftItsLoop(f.rec); }));
  EXPECT_EQ(calls, 1) << "no events after the error";
  EXPECT_TRUE(f.port.Connected());
  f.port.Close();
  f.port.Open();
  f.pty.Send("3");
  ASSERT_TRUE(PumpUntil([&] { return calls == 2; }));
}

TEST(EventThread, BytesNotReadBeforeCloseAreGoneAfterOpen) {
  Fixture f(/*readAll=*/false);
  f.Open();
  f.pty.Send("old");
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  f.port.Close();
  f.ev.Clear();
  f.Open();
  EXPECT_TRUE(f.ev.Get().empty());
  EXPECT_EQ(f.port.InputCount(), 0);
  f.pty.Send("n");  // the first event counts this byte alone
  ASSERT_TRUE(PumpUntil([&] { return f.ev.Size() >= 1; }));
  EXPECT_EQ(f.ev.Get(), Log{"RxChar 1"});
}

TEST(EventThread, DisabledEventsCallNoHandler) {
  Fixture f;
  f.port.SetSyncMethod(smDisableEvents);
  f.Open();
  EXPECT_TRUE(f.port.EventThreadRunning());
  f.port.Write("w", 1);
  f.pty.Send("abc");
  ASSERT_TRUE(WaitUntil([&] { return f.port.InputCount() == 3; }));
  // A write ends the wait in progress: once the next has begun, the bytes' batch was dropped.
  const size_t waits = f.rec.Count("WaitCommEvent");
  f.port.Write("v", 1);
  ASSERT_TRUE(PumpUntil([&] { return f.rec.Count("WaitCommEvent") > waits; }))
      << "the thread waited and dropped the batch";
  EXPECT_TRUE(f.ev.Get().empty());
}

TEST(EventThread, NoSyncRunsStepsOnTheEventThread) {
  Fixture f(true, false);
  std::atomic<bool> onOtherThread{false};
  std::atomic<int> got{0};
  const auto ui = std::this_thread::get_id();
  f.port.SetSyncMethod(smNone);
  f.port.OnRxChar = [&](TCustomComPort* s, int count) {
    std::string text;
    got += s->ReadText(text, count);
    onOtherThread = std::this_thread::get_id() != ui;
  };
  f.Open();
  f.pty.Send("abcd");
  ASSERT_TRUE(WaitUntil([&] { return got == 4; })) << "no pumping needed";
  EXPECT_TRUE(onOtherThread);
}

namespace {
// Records every message the notification window receives.
class WindowPort : public TComPort {
 public:
  EventLog messages;

 protected:
  void NotificationWindowProc(TMessage& Message) override {
    messages.Add(std::to_string(Message.Msg) + ":" + std::to_string(Message.WParam) + ":" +
                 std::to_string(Message.LParam));
    TComPort::NotificationWindowProc(Message);
  }
};
}  // namespace

TEST(WindowSync, OneMessagePerEventWithItsMaskBit) {
  testpty::Pty pty;
  EventLog ev;
  WindowPort port;
  port.SetPort(pty.Path());
  port.SetSyncMethod(smWindowSync);
  RecordLineEvents(port, ev, false);
  port.Open();
  ev.Clear();
  pty.Send("a");
  ASSERT_TRUE(PumpUntil([&] { return ev.Size() >= 1; }));
  EXPECT_EQ(port.messages.Get(), Log{"1025:1:0"});
  EXPECT_EQ(ev.Get(), Log{"RxChar 1"});
  port.Write("w", 1);
  ASSERT_TRUE(PumpUntil([&] { return ev.Size() >= 2; }));
  EXPECT_EQ(port.messages.Get(), (Log{"1025:1:0", "1025:4:0"}));
  EXPECT_EQ(ev.Get().back(), "TxEmpty");
  port.Close();
}

TEST(WindowSync, HandlerErrorsGoToTheReportAndEventsGoOn) {
  testpty::Pty pty;
  EventLog reported;
  SetExceptionReport([&](std::exception_ptr e) { reported.Add(ExceptionMessage(e)); });
  std::atomic<int> calls{0};
  {
    TComPort port;
    port.SetPort(pty.Path());
    port.SetSyncMethod(smWindowSync);
    port.OnRxChar = [&](TCustomComPort* s, int count) {
      std::string text;
      s->ReadText(text, count);
      ++calls;
      throw std::runtime_error("bad byte " + text);
    };
    port.Open();
    pty.Send("x");
    ASSERT_TRUE(PumpUntil([&] { return reported.Size() >= 1; }));
    pty.Send("y");
    ASSERT_TRUE(PumpUntil([&] { return reported.Size() >= 2; }));
    EXPECT_EQ(reported.Get(), (Log{"bad byte x", "bad byte y"}));
    EXPECT_EQ(calls, 2);
  }
  SetExceptionReport({});
}

TEST(Unplug, TheEventThreadEndsAndCloseWorks) {
  Fixture f;
  f.Open();
  f.pty.CloseMaster();
  // The wait fails on the hung-up line; nothing is handed over and Close returns.
  ASSERT_TRUE(PumpUntil([&] { return ThreadLeftItsLoop(f.rec); }));
  EXPECT_NO_THROW(f.port.Close());
  EXPECT_FALSE(f.port.Connected());
}

TEST(WindowSync, ARingOnlyBatchSendsOneMessage) {
  testpty::Pty pty;
  CommRecorder rec;
  EventLog ev;
  WindowPort port;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  port.SetSyncMethod(smWindowSync);
  port.SetEvents(TComEvents{evRing, evRLSD});
  RecordLineEvents(port, ev, false);
  port.Open();
  ev.Clear();
  // Setting the mask ends the pending wait with nothing reported; the recorder adds a ring.
  // Only a wait in progress ends, so repeat until the thread was waiting.
  auto endWait = [&] {
    comm::SystemComm().SetCommMask(port.Handle(), 0x0120);
    return false;
  };
  rec.ExtraEvents = comm::EV_RING;
  ASSERT_TRUE(PumpUntil([&] { return ev.Size() >= 1 || (rec.ExtraEvents != 0 && endWait()); }));
  EXPECT_EQ(port.messages.Get(), Log{"1025:256:0"});  // a second ring message would show below
  EXPECT_EQ(ev.Get(), Log{"Ring"});
  rec.ExtraEvents = comm::EV_RLSD;
  rec.ExtraModem = comm::MS_RLSD_ON;
  ASSERT_TRUE(PumpUntil([&] { return ev.Size() >= 2 || (rec.ExtraEvents != 0 && endWait()); }));
  EXPECT_EQ(port.messages.Get(), (Log{"1025:256:0", "1025:32:0"}));
  EXPECT_EQ(ev.Get().back(), "RLSD1");
}
