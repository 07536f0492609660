// Opening, closing and transfers on real pseudo-terminals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>

#include "comm_recorder.h"
#include "pump.h"
#include "serial/CPort.h"
#include "support/pty.h"

namespace {

using Log = std::vector<std::string>;

void RecordOpenClose(TComPort& port, Log& log) {
  TComPort* p = &port;
  Log* l = &log;
  port.OnBeforeOpen = [p, l](TCustomComPort* s) { l->push_back(s == p ? "BeforeOpen" : "?"); };
  port.OnAfterOpen = [l](TCustomComPort*) { l->push_back("AfterOpen"); };
  port.OnBeforeClose = [l](TCustomComPort*) { l->push_back("BeforeClose"); };
  port.OnAfterClose = [l](TCustomComPort*) { l->push_back("AfterClose"); };
  port.OnCTSChange = [l](TCustomComPort*, bool on) { l->push_back(on ? "CTS1" : "CTS0"); };
  port.OnDSRChange = [l](TCustomComPort*, bool on) { l->push_back(on ? "DSR1" : "DSR0"); };
  port.OnRLSDChange = [l](TCustomComPort*, bool on) { l->push_back(on ? "RLSD1" : "RLSD0"); };
}

// Fills the pseudo-terminal's queue towards the master until nothing more fits.
void FillLine(testpty::Pty& pty) {
  std::string block(4096, 'f');
  int stable = 0;
  while (stable < 5) {
    ssize_t n = ::write(pty.Slave(), block.data(), block.size());
    if (n > 0) {
      stable = 0;
      continue;
    }
    ++stable;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace

TEST(OpenClose, EventsInOrderAndSecondCallsAreNoOps) {
  testpty::Pty pty;
  Log log;
  TComPort port;
  port.SetPort(pty.Path());
  RecordOpenClose(port, log);
  port.Open();
  EXPECT_TRUE(port.Connected());
  EXPECT_NE(port.Handle(), comm::INVALID_HANDLE_VALUE);
  EXPECT_TRUE(port.EventThreadRunning());
  // A pseudo-terminal has no modem lines: all read as off.
  EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen", "CTS0", "DSR0", "RLSD0"}));
  log.clear();
  port.Open();
  port.SetConnected(true);
  EXPECT_TRUE(log.empty());
  port.Close();
  EXPECT_EQ(log, (Log{"CTS0", "DSR0", "RLSD0", "BeforeClose", "AfterClose"}));
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.EventThreadRunning());
  EXPECT_EQ(port.Handle(), comm::INVALID_HANDLE_VALUE);
  log.clear();
  port.Close();
  port.SetConnected(false);
  EXPECT_TRUE(log.empty());
  port.SetConnected(true);
  EXPECT_TRUE(port.Connected());
}

TEST(OpenClose, ModemLinesAsTheDriverReportsThem) {
  testpty::Pty pty;
  CommRecorder rec;
  rec.ExtraModem = comm::MS_CTS_ON | comm::MS_RLSD_ON;  // lines a pseudo-terminal cannot show
  Log log;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  RecordOpenClose(port, log);
  port.Open();
  EXPECT_EQ(log, (Log{"BeforeOpen", "AfterOpen", "CTS1", "DSR0", "RLSD1"}));
  EXPECT_EQ(rec.Count("GetCommModemStatus"), 3u) << "three separate queries";
  EXPECT_EQ(port.ModemSignals(), (TComSignals{csCTS, csRLSD}));
}

TEST(OpenClose, APortHeldElsewhereIsBusy) {
  testpty::Pty pty;
  TComPort first, second;
  first.SetPort(pty.Path());
  second.SetPort(pty.Path());
  first.Open();
  try {
    second.Open();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(EBUSY));
  }
  EXPECT_FALSE(second.Connected());
  first.Close();
  EXPECT_NO_THROW(second.Open());
}

TEST(OpenClose, AFailedPurgeStillEndsTheThreadAndReleasesTheLine) {
  testpty::Pty pty;
  CommRecorder rec;
  TComPort port, other;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  other.SetPort(pty.Path());
  port.SetEvents(TComEvents{evRxChar});
  port.Open();
  ASSERT_TRUE(port.EventThreadRunning());
  rec.FailPurge = EIO;  // as an unplugged adapter answers
  try {
    port.Close();
    FAIL() << "the purge's failure is not told";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(EIO));
  }
  EXPECT_FALSE(port.Connected());
  EXPECT_FALSE(port.EventThreadRunning());
  EXPECT_EQ(rec.Count("CloseHandle"), 1u);
  EXPECT_NO_THROW(other.Open());  // the lock went with the descriptor
}

TEST(OpenClose, DebugLineNamesTheDevice) {
  CommRecorder rec;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetPort("/nonexistent/kestrilo-port");
  EXPECT_THROW(port.Open(), EComPortExt);
  EXPECT_EQ(rec.Calls().back(), "OutputDebugString CreateFile /nonexistent/kestrilo-port");
}

TEST(OpenClose, NoEventsNoThread) {
  testpty::Pty pty;
  CommRecorder rec;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  port.SetEvents({});
  int rx = 0;
  port.OnRxChar = [&](TCustomComPort*, int) { ++rx; };
  port.Open();
  EXPECT_FALSE(port.EventThreadRunning());
  pty.Send("abc");
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == 3; }));
  EXPECT_FALSE(SynchronizePending()) << "nothing waits to be handed over";
  CheckSynchronize();
  EXPECT_EQ(rx, 0);
  EXPECT_EQ(rec.Count("SetCommMask"), 0u);
  port.Close();
  EXPECT_FALSE(port.Connected());
}

TEST(OpenClose, DestructionClosesThePort) {
  testpty::Pty pty;
  Log log;
  {
    TComPort port;
    port.SetPort(pty.Path());
    port.Open();
    port.OnAfterClose = [&](TCustomComPort*) { log.push_back("AfterClose"); };
  }
  EXPECT_EQ(log, Log{"AfterClose"});
  TComPort again;
  again.SetPort(pty.Path());
  EXPECT_NO_THROW(again.Open()) << "the lock went with the port";
}

TEST(Transfer, WriteReachesTheLine) {
  testpty::Pty pty;
  TComPort port;
  port.SetPort(pty.Path());
  port.Open();
  EXPECT_EQ(port.Write("V", 1), 1);
  const std::string all = std::string("\x00\x01\x7f\x80\xff", 5);
  EXPECT_EQ(port.Write(all.data(), 5), 5);
  EXPECT_EQ(pty.Receive(6), "V" + all);
  EXPECT_EQ(port.OutputCount(), 0) << "a pseudo-terminal tells no output queue";
}

TEST(Transfer, BytesWrittenJustBeforeCloseStillLeave) {
  testpty::Pty pty;
  TComPort port;
  port.SetPort(pty.Path());
  port.Open();
  pty.Send("unread");  // the input side is emptied at close, the output side is not
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == 6; }));
  ASSERT_EQ(port.Write("P", 1), 1);
  port.Close();
  EXPECT_EQ(pty.Receive(1), "P");
}

TEST(Transfer, ReadTextReturnsWhatIsQueuedByteForByte) {
  testpty::Pty pty;
  TComPort port;
  port.SetPort(pty.Path());
  port.SetEvents({});  // nothing else reads the line
  port.Open();
  pty.Send(std::string("\x00\xC8\x7F", 3));
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == 3; }));
  std::string text = "old";
  EXPECT_EQ(port.ReadText(text, 5), 3);
  EXPECT_EQ(text, std::string("\x00\xC8\x7F", 3));
  EXPECT_EQ(port.ReadText(text, 5), 0) << "returns at once with nothing queued";
  EXPECT_EQ(text, "");
  pty.Send("xy");
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == 2; }));
  text = "old";
  EXPECT_EQ(port.ReadText(text, 0), 0);
  EXPECT_EQ(text, "");
  EXPECT_EQ(port.InputCount(), 2);
  char raw[4] = {};
  EXPECT_EQ(port.Read(raw, 1), 1);
  EXPECT_EQ(raw[0], 'x');
  EXPECT_EQ(port.Read(raw, 4), 1);
  EXPECT_EQ(raw[0], 'y');
}

TEST(Transfer, ReadHonoursATotalTimeout) {
  testpty::Pty pty;
  TComPort port;
  port.SetPort(pty.Path());
  port.SetEvents({});
  port.Timeouts().SetReadInterval(0);
  port.Timeouts().SetReadTotalConstant(150);
  port.Open();
  pty.Send("ab");
  std::string text;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port.ReadText(text, 4), 2);
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(text, "ab");
  EXPECT_GE(spent, std::chrono::milliseconds(140)) << "waited for the other two bytes";
}

TEST(Transfer, WriteIntoAFullLineTimesOutWithoutError) {
  testpty::Pty pty;
  TComPort port;
  port.SetPort(pty.Path());
  port.Open();
  FillLine(pty);
  auto start = std::chrono::steady_clock::now();
  int n = -1;
  EXPECT_NO_THROW(n = port.Write("x", 1));
  auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(n, 0);
  EXPECT_GE(spent, std::chrono::milliseconds(1050)) << "100 ms per byte plus 1000 ms";
  EXPECT_TRUE(port.Connected());
}

TEST(Transfer, WriteAfterCloseRaisesCode2AndReachesNothing) {
  testpty::Pty pty;
  CommRecorder rec;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  port.Open();
  port.Close();
  // A descriptor the system hands out next must not receive the byte.
  testpty::Pty reused;
  try {
    port.Write("x", 1);
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(std::string(e.what()), "COM Port Error: WriteFile function failed on " + pty.Path());
  }
  EXPECT_EQ(reused.Receive(1, std::chrono::milliseconds(100)), "");
  EXPECT_EQ(pty.Receive(1, std::chrono::milliseconds(100)), "");
  std::string text = "old";
  EXPECT_EQ(port.ReadText(text, 3), 0) << "a read that cannot start ends with nothing";
  EXPECT_EQ(text, "");
  EXPECT_THROW(port.InputCount(), EComPortExt);
}

TEST(Transfer, CountsOnAClosedPortRaiseTheirCodes) {
  TComPort port;
  try {
    port.InputCount();
    FAIL();
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 10);
  }
  try {
    port.OutputCount();
    FAIL();
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 10);
  }
  try {
    port.LineErrors();
    FAIL();
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 10);
  }
  try {
    port.ModemSignals();
    FAIL();
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 11);
  }
}

TEST(Transfer, LineErrorsMapTheErrorWord) {
  testpty::Pty pty;
  CommRecorder rec;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetPort(pty.Path());
  port.SetEvents({});
  port.Open();
  EXPECT_TRUE(port.LineErrors().Empty()) << "a pseudo-terminal reports none";
  rec.ExtraErrors = comm::CE_FRAME | comm::CE_RXPARITY | comm::CE_OVERRUN | comm::CE_BREAK | comm::CE_IOE |
                    comm::CE_MODE | comm::CE_RXOVER | comm::CE_TXFULL;
  EXPECT_EQ(port.LineErrors(), (TComErrors{ceFrame, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull}))
      << "parity only while checked";
  port.Parity().SetCheck(true);
  rec.ExtraErrors = comm::CE_RXPARITY;
  EXPECT_EQ(port.LineErrors(), TComErrors{ceRxParity});
  EXPECT_TRUE(port.LineErrors().Empty()) << "reading clears the word";
}

TEST(Unplug, TheLineFailsAndCloseStillWorks) {
  testpty::Pty pty;
  Log log;
  TComPort port;
  port.SetPort(pty.Path());
  port.Open();
  RecordOpenClose(port, log);
  pty.CloseMaster();
  try {
    port.Write("x", 1);
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(EIO));
  }
  try {
    port.ModemSignals();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 11);
  }
  EXPECT_NO_THROW(port.Close());
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(log, (Log{"CTS0", "DSR0", "RLSD0", "BeforeClose", "AfterClose"}));
}
