// The serial component on Windows against kestrilo-devsim, whose pseudo-terminal Wine maps to
// COM1 (run_under_wine.sh starts it). Where Wine's serial calls differ from Windows', the test
// says so and checks what the backend promises on both.
#include <gtest/gtest.h>

#include <mutex>
#include <sstream>
#include <thread>

#include "devsim_dump.h"
#include "platform/comm.h"
#include "pump.h"
#include "serial/CPort.h"

double ProcessCpuSeconds();  // process_cpu.cpp: <windows.h> cannot meet the toolkit's names here

namespace {

const std::string kPort = "COM1";
const std::string kVersionReply("8\x20\x07", 3);  // the simulator's defaults: 32 units, version 7

struct Device {
  TComPort port;
  std::vector<std::string> log;  // touched on this (the UI) thread only
  explicit Device(TComEvents Events = {}) {
    port.SetPort(kPort);
    port.SetBaudRate(br115200);
    port.SetEvents(Events);
  }
  void Send(const std::string& Bytes) { ASSERT_EQ(port.Write(Bytes.data(), static_cast<int>(Bytes.size())), static_cast<int>(Bytes.size())); }
  std::string Await(int Count) {
    EXPECT_TRUE(WaitUntil([&] { return port.InputCount() >= Count; }));
    std::string text;
    port.ReadText(text, Count);
    return text;
  }
  void LogRxChar(bool Read) {
    port.OnRxChar = [this, Read](TCustomComPort* p, int n) {
      std::string text;
      if (Read) p->ReadText(text, n);
      log.push_back("RxChar " + std::to_string(n));
    };
  }
};

constexpr uint32_t kFileNotFound = 2, kAccessDenied = 5;  // Windows' error codes

}  // namespace

TEST(Transfer, VersionReplyAndReadsThatReturnAtOnce) {
  Device d;
  d.port.Open();
  d.Send("V");
  EXPECT_EQ(d.Await(3), kVersionReply);
  // Wine keeps a read with the "return at once" timeouts pending on an empty queue; Windows
  // completes it with nothing, and so does the backend on both.
  std::string text = "old";
  EXPECT_EQ(d.port.ReadText(text, 10), 0);
  EXPECT_EQ(text, "");
}

TEST(Transfer, ATimedReadReturnsWhatCameInTime) {
  // Wine fails a read cut short by its total timeout (error 1460); Windows returns the bytes
  // that came, and so does the backend on both.
  Device d;
  d.port.Timeouts().SetReadInterval(0);
  d.port.Timeouts().SetReadTotalConstant(500);
  d.port.Open();
  d.Send("V");
  std::string text;
  EXPECT_EQ(d.port.ReadText(text, 8), 3);
  EXPECT_EQ(text, kVersionReply);
}

TEST(Transfer, OpenFailuresCarryTheSystemsCode) {
  // Wine grants a second exclusive open of a port; Windows refuses it with ERROR_ACCESS_DENIED,
  // and so does the backend on both.
  Device first, second;
  first.port.Open();
  try {
    second.port.Open();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.SystemErrorCode(), kAccessDenied);
    EXPECT_STREQ(e.what(), "COM Port Error: Unable to open com port on COM1");
  }
  first.port.Close();
  EXPECT_NO_THROW(second.port.Open());
  EXPECT_EQ(comm::SystemComm().DevicePath("COM12"), "\\\\.\\COM12");
  TComPort missing;
  missing.SetPort("COM7");
  try {
    missing.Open();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.SystemErrorCode(), kFileNotFound);
  }
}

TEST(Transfer, ASoundArrivesByteExact) {
  Device d;
  d.port.Open();
  d.Send("C");
  ASSERT_EQ(d.Await(1), "+");
  std::string samples;
  for (int i = 0; i < 600; ++i) samples += static_cast<char>(1 + i % 255);
  d.Send("D");
  for (char c : samples) d.Send(std::string(1, c));  // one byte per write, as an upload does
  d.Send(std::string("\x00\x00", 2));                   // end of the sound, end of the sounds
  d.Send(std::string("A\x01\x01\x02", 4));              // input 1 at address 0x0201
  ASSERT_TRUE(WaitUntil([] { return DumpFile("addresses.txt") == "1 513\n"; }));
  const std::string wave = DumpFile("sound-1.wav");
  ASSERT_GE(wave.size(), 44u);
  EXPECT_EQ(wave.substr(44), samples);
}

TEST(Events, AReplyArrivesAsOneEventWithItsCount) {
  Device d(TComEvents{evRxChar});
  d.LogRxChar(/*Read=*/true);
  d.port.Open();
  d.Send("V");
  ASSERT_TRUE(WaitUntil([] { return SynchronizePending(); }));
  ASSERT_TRUE(WaitUntil([&] { return d.port.InputCount() == 3; }));
  ASSERT_TRUE(PumpUntil([&] { return !d.log.empty(); }));
  PumpFor(300);
  EXPECT_EQ(d.log, std::vector<std::string>{"RxChar 3"});
}

TEST(Events, UnreadBytesAreReportedOnceAndTheWaitDoesNotSpin) {
  // Wine's WaitCommEvent reports EV_RXCHAR again and again while unread bytes wait; Windows
  // reports new bytes only. The backend reports each arrival once on both, and its wait
  // sleeps meanwhile: a spinning wait would burn a whole core during the pump.
  Device d(AllComEvents);
  d.LogRxChar(/*Read=*/false);
  int txEmpty = 0;
  d.port.OnTxEmpty = [&](TCustomComPort*) { ++txEmpty; };
  d.port.Open();
  d.Send("V");
  ASSERT_TRUE(PumpUntil([&] { return d.log.size() == 1 && d.port.InputCount() == 3; }));
  const double cpu = ProcessCpuSeconds();
  PumpFor(1000);
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.5);
  d.Send("V");
  ASSERT_TRUE(PumpUntil([&] { return d.log.size() >= 2 && d.port.InputCount() == 6; }));
  PumpFor(300);
  EXPECT_EQ(d.log.back(), "RxChar 6");
  EXPECT_LE(d.log.size(), 3u) << "the second reply may come in two parts, never more";
  EXPECT_EQ(txEmpty, 2) << "once per write";
}

TEST(Events, SetCommMaskEndsAWaitWithAnEmptyMask) {
  // Wine fails a wait that SetCommMask ends (error 995); Windows completes it with an empty
  // mask, and so does the backend on both.
  Device d;
  d.port.Open();
  comm::TCommServices& sys = comm::SystemComm();
  comm::TStopEvent stop;
  ASSERT_TRUE(sys.SetCommMask(d.port.Handle(), comm::EV_RXCHAR));
  uint32_t mask = 0xFFFF;
  std::atomic<bool> done{false};
  comm::TWaitResult result{};
  std::thread waiter([&] {
    result = sys.WaitCommEvent(d.port.Handle(), stop.Descriptor(), mask);
    done = true;
  });
  // Each new mask ends a wait that began before it, whenever the waiter got there.
  EXPECT_TRUE(WaitUntil([&] { return sys.SetCommMask(d.port.Handle(), comm::EV_RXCHAR), done.load(); }));
  waiter.join();
  EXPECT_EQ(result, comm::TWaitResult::Event);
  EXPECT_EQ(mask, 0u);
}

// Run with the simulator hanging up at the first 'D' (win_serial_unplug_test).
TEST(Unplug, TheLineFailsTheEventsStopAndCloseStillWorks) {
  Device d(AllComEvents);
  d.LogRxChar(/*Read=*/true);
  d.port.Open();
  d.Send("D");
  bool failed = false;
  ASSERT_TRUE(PumpUntil([&] {
    try {
      d.port.Write("\x01", 1);
    } catch (const EComPortExt& e) {
      failed = e.ErrorCode() == 2;
      return true;
    }
    return false;
  }));
  EXPECT_TRUE(failed) << "a write to a vanished device raises code 2";
  const double cpu = ProcessCpuSeconds();
  PumpFor(1000);
  EXPECT_LT(ProcessCpuSeconds() - cpu, 0.5) << "the event thread does not spin on a vanished device";
  EXPECT_NO_THROW(d.port.Close());
  EXPECT_FALSE(d.port.Connected());
}
