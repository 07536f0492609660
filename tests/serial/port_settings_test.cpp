// Settings, their defaults and how they reach the driver.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>

#include "comm_recorder.h"
#include "serial/CPort.h"
#include "support/pty.h"

namespace {

struct OpenPort {
  testpty::Pty pty;
  CommRecorder rec;
  TComPort port;
  OpenPort() {
    port.SetCommServices(&rec);
    port.SetPort(pty.Path());
  }
};

}  // namespace

TEST(PortDefaults, ConstructedValues) {
  TComPort port;
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(port.BaudRate(), br9600);
  EXPECT_EQ(port.CustomBaudRate(), 9600);
  EXPECT_EQ(port.Port(), "COM1");
  EXPECT_EQ(port.StopBits(), sbOneStopBit);
  EXPECT_EQ(port.DataBits(), dbEight);
  EXPECT_FALSE(port.DiscardNull());
  EXPECT_EQ(port.EventChar(), 0);
  EXPECT_EQ(port.Events(), AllComEvents);
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  EXPECT_EQ(port.EventThreadPriority(), tpNormal);
  EXPECT_EQ(port.Handle(), comm::INVALID_HANDLE_VALUE);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(port.Buffer().OutputSize(), 1024);
  EXPECT_EQ(port.Parity().Bits(), prNone);
  EXPECT_FALSE(port.Parity().Check());
  EXPECT_FALSE(port.Parity().Replace());
  EXPECT_EQ(port.Timeouts().ReadInterval(), -1);
  EXPECT_EQ(port.Timeouts().WriteTotalMultiplier(), 100);
  EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 1000);
  EXPECT_EQ(port.FlowControl().FlowControl(), fcNone);
  EXPECT_EQ(port.FlowControl().ControlDTR(), dtrDisable);
  EXPECT_EQ(port.FlowControl().ControlRTS(), rtsDisable);
  EXPECT_EQ(port.FlowControl().XonChar(), 17);
  EXPECT_EQ(port.FlowControl().XoffChar(), 19);
  // Back-references to the owning port.
  EXPECT_EQ(port.Buffer().ComPort(), &port);
  EXPECT_EQ(port.Parity().ComPort(), &port);
  EXPECT_EQ(port.Timeouts().ComPort(), &port);
  EXPECT_EQ(port.FlowControl().ComPort(), &port);
}

TEST(PortDefaults, DeviceControlBlockAndTimeouts) {
  TComPort port;
  comm::TDCB d = port.BuildDCB();
  EXPECT_EQ(d.DCBlength, 28u);
  EXPECT_EQ(d.BaudRate, 9600u);
  EXPECT_EQ(d.Flags, 0x0001u);
  EXPECT_EQ(d.XonLim, 256);
  EXPECT_EQ(d.XoffLim, 256);
  EXPECT_EQ(d.ByteSize, 8);
  EXPECT_EQ(d.Parity, 0);
  EXPECT_EQ(d.StopBits, 0);
  EXPECT_EQ(d.XonChar, 17);
  EXPECT_EQ(d.XoffChar, 19);
  EXPECT_EQ(d.EvtChar, 0);
  EXPECT_EQ(d.ErrorChar, 0);
  EXPECT_EQ(d.EofChar, 0);
  comm::TCommTimeouts t = port.BuildTimeouts();
  EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
  EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 100u);
  EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

TEST(PortSettings, FlagWordFromEverySetting) {
  TComPort port;
  port.Parity().SetReplace(true);  // without Check: no effect on the block
  EXPECT_EQ(port.BuildDCB().Flags, 0x0001u);
  EXPECT_EQ(port.BuildDCB().ErrorChar, 0);
  port.Parity().SetReplaceChar('?');
  port.Parity().SetCheck(true);
  EXPECT_EQ(port.BuildDCB().Flags, 0x0001u | 0x0002u | 0x0400u);
  EXPECT_EQ(port.BuildDCB().ErrorChar, '?');
  port.Parity().SetCheck(false);
  port.FlowControl().SetOutCTSFlow(true);
  port.FlowControl().SetOutDSRFlow(true);
  port.FlowControl().SetControlDTR(dtrHandshake);
  port.FlowControl().SetDSRSensitivity(true);
  port.FlowControl().SetTxContinueOnXoff(true);
  port.FlowControl().SetXonXoffOut(true);
  port.FlowControl().SetXonXoffIn(true);
  port.SetDiscardNull(true);
  port.FlowControl().SetControlRTS(rtsToggle);
  EXPECT_EQ(port.BuildDCB().Flags, 0x0001u | 0x0004u | 0x0008u | 0x0020u | 0x0040u | 0x0080u | 0x0100u |
                                       0x0200u | 0x0800u | 0x3000u);
  port.FlowControl().SetControlDTR(dtrEnable);
  port.FlowControl().SetControlRTS(rtsEnable);
  EXPECT_EQ(port.BuildDCB().Flags & 0x3030u, 0x1010u);
  port.FlowControl().SetControlRTS(rtsHandshake);
  EXPECT_EQ(port.BuildDCB().Flags & 0x3000u, 0x2000u);
}

TEST(PortSettings, FrameFieldsAndRates) {
  TComPort port;
  port.SetDataBits(dbSeven);
  port.Parity().SetBits(prSpace);
  port.SetStopBits(sbTwoStopBits);
  port.SetEventChar('\n');
  port.FlowControl().SetXonChar('a');
  port.FlowControl().SetXoffChar('b');
  comm::TDCB d = port.BuildDCB();
  EXPECT_EQ(d.ByteSize, 7);
  EXPECT_EQ(d.Parity, 4);
  EXPECT_EQ(d.StopBits, 2);
  EXPECT_EQ(d.EvtChar, '\n');
  EXPECT_EQ(d.XonChar, 'a');
  EXPECT_EQ(d.XoffChar, 'b');
  const std::pair<TBaudRate, uint32_t> rates[] = {{br110, 110},       {br14400, 14400},   {br56000, 56000},
                                                  {br57600, 57600},   {br115200, 115200}, {br128000, 128000},
                                                  {br256000, 256000}};
  for (auto [rate, bps] : rates) {
    port.SetBaudRate(rate);
    EXPECT_EQ(port.BuildDCB().BaudRate, bps);
  }
  port.SetCustomBaudRate(31250);
  EXPECT_EQ(port.BuildDCB().BaudRate, 256000u) << "CustomBaudRate is ignored unless brCustom";
  port.SetBaudRate(brCustom);
  EXPECT_EQ(port.BuildDCB().BaudRate, 31250u);
}

TEST(PortSettings, OddBufferSizesAreRoundedDown) {
  TComPort port;
  port.Buffer().SetInputSize(1025);
  EXPECT_EQ(port.Buffer().InputSize(), 1024);
  EXPECT_EQ(port.BuildDCB().XonLim, 256);
  EXPECT_EQ(port.BuildDCB().XoffLim, 256);
  port.Buffer().SetOutputSize(1023);
  EXPECT_EQ(port.Buffer().OutputSize(), 1022);
  port.Buffer().SetInputSize(2);
  EXPECT_EQ(port.BuildDCB().XonLim, 0);
  port.Buffer().SetInputSize(-3);  // only positive odd sizes are rounded
  EXPECT_EQ(port.Buffer().InputSize(), -3);
  port.Buffer().SetInputSize(0x50000);  // limits keep the low 16 bits of size / 4
  EXPECT_EQ(port.BuildDCB().XonLim, 0x4000);
}

TEST(FlowControlPresets, ReadAndWrite) {
  TComPort port;
  TComFlowControl& f = port.FlowControl();
  f.SetControlDTR(dtrEnable);
  f.SetOutDSRFlow(true);
  f.SetFlowControl(fcHardware);
  EXPECT_EQ(f.ControlRTS(), rtsHandshake);
  EXPECT_TRUE(f.OutCTSFlow());
  EXPECT_EQ(f.FlowControl(), fcHardware);
  f.SetControlRTS(rtsEnable);
  EXPECT_EQ(f.FlowControl(), fcCustom);
  f.SetFlowControl(fcSoftware);
  EXPECT_EQ(f.ControlRTS(), rtsDisable);
  EXPECT_FALSE(f.OutCTSFlow());
  EXPECT_TRUE(f.XonXoffIn());
  EXPECT_TRUE(f.XonXoffOut());
  EXPECT_EQ(f.FlowControl(), fcSoftware);
  f.SetXonXoffIn(false);
  EXPECT_EQ(f.FlowControl(), fcCustom);
  f.SetFlowControl(fcCustom);  // changes nothing
  EXPECT_FALSE(f.XonXoffIn());
  EXPECT_TRUE(f.XonXoffOut());
  f.SetFlowControl(fcNone);
  EXPECT_EQ(f.FlowControl(), fcNone);
  // Fields outside the presets stay as they were.
  EXPECT_EQ(f.ControlDTR(), dtrEnable);
  EXPECT_TRUE(f.OutDSRFlow());
}

TEST(SettingsObjects, StandaloneObjectsStoreAndCopy) {
  TComParity p;
  EXPECT_EQ(p.ComPort(), nullptr);
  p.SetBits(prEven);
  p.SetCheck(true);
  TComPort port;
  port.SetParity(p);
  EXPECT_EQ(port.Parity().Bits(), prEven);
  EXPECT_TRUE(port.Parity().Check());
  EXPECT_EQ(port.Parity().ComPort(), &port) << "copying keeps the back-reference";
  TComTimeouts t;
  t.SetWriteTotalConstant(5);
  port.SetTimeouts(t);
  EXPECT_EQ(port.Timeouts().WriteTotalConstant(), 5);
  TComBuffer b;
  EXPECT_THROW(b.Assign(p), EConvertError);
  EXPECT_EQ(b.InputSize(), 1024);
}

TEST(ApplySettings, ClosedPortMakesNoDriverCall) {
  CommRecorder rec;
  TComPort port;
  port.SetCommServices(&rec);
  port.SetBaudRate(br115200);
  port.Buffer().SetInputSize(2048);
  port.Timeouts().SetReadInterval(10);
  port.FlowControl().SetFlowControl(fcHardware);
  port.ApplyAllSettings();
  EXPECT_TRUE(rec.Calls().empty());
}

TEST(ApplySettings, OpenAppliesEverythingInOrderAndTheLineSeesIt) {
  OpenPort o;
  o.port.SetBaudRate(br115200);
  EXPECT_TRUE(o.rec.Calls().empty());
  o.port.Open();
  auto calls = o.rec.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(calls[0], "CreateFile");
  EXPECT_EQ(calls[1], "SetupComm");
  EXPECT_EQ(calls[2], "SetCommState");
  EXPECT_EQ(calls[3], "SetCommTimeouts");
  EXPECT_EQ(o.rec.Queues().at(0), std::make_pair(1024, 1024));
  EXPECT_EQ(o.rec.States().at(0).BaudRate, 115200u);
  EXPECT_EQ(o.rec.TimeoutsSet().at(0).ReadIntervalTimeout, 0xFFFFFFFFu);
  termios t = o.pty.Attributes();
  EXPECT_EQ(cfgetospeed(&t), B115200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_TRUE(t.c_cflag & CLOCAL);
  EXPECT_TRUE(t.c_cflag & CREAD);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
}

TEST(ApplySettings, ChangeWhileOpenReachesTheDriverOnce) {
  OpenPort o;
  o.port.Open();
  o.rec.Clear();
  o.port.SetBaudRate(br57600);
  EXPECT_EQ(o.rec.Count("SetCommState"), 1u);
  EXPECT_EQ(o.rec.States().back().BaudRate, 57600u);
  termios t = o.pty.Attributes();
  EXPECT_EQ(cfgetospeed(&t), B57600);
  o.port.SetBaudRate(br57600);
  EXPECT_EQ(o.rec.Count("SetCommState"), 1u) << "the same value again makes no driver call";

  o.port.Parity().SetBits(prOdd);
  o.port.FlowControl().SetXonXoffIn(true);
  EXPECT_EQ(o.rec.Count("SetCommState"), 3u);
  t = o.pty.Attributes();
  EXPECT_TRUE(t.c_cflag & PARODD);  // a pseudo-terminal keeps no parity enable bit
  EXPECT_TRUE(t.c_iflag & IXOFF);
  o.port.FlowControl().SetFlowControl(fcNone);  // presets always apply, once
  EXPECT_EQ(o.rec.Count("SetCommState"), 4u);
  o.port.SetParity(o.port.Parity());  // object-valued properties always apply
  EXPECT_EQ(o.rec.Count("SetCommState"), 5u);

  o.port.Timeouts().SetWriteTotalConstant(200);
  o.port.Timeouts().SetWriteTotalConstant(200);
  EXPECT_EQ(o.rec.Count("SetCommTimeouts"), 1u);
  EXPECT_EQ(o.rec.TimeoutsSet().back().WriteTotalTimeoutConstant, 200u);
  o.port.Buffer().SetOutputSize(4096);
  EXPECT_EQ(o.rec.Count("SetupComm"), 1u);
  EXPECT_EQ(o.rec.Queues().back(), std::make_pair(1024, 4096));
  o.port.SetEvents(TComEvents{evRxChar});  // stored only
  EXPECT_EQ(o.rec.Count("SetCommMask"), 0u);
}

TEST(ApplySettings, CustomRateUsesCustomBaudRate) {
  OpenPort o;
  o.port.SetBaudRate(brCustom);
  o.port.Open();
  EXPECT_EQ(o.rec.States().back().BaudRate, 9600u);
  o.port.SetCustomBaudRate(250000);  // no B constant: set through the arbitrary-rate path
  EXPECT_EQ(o.rec.States().back().BaudRate, 250000u);
  EXPECT_EQ(o.rec.Count("SetCommState"), 2u);
  o.port.SetBaudRate(br9600);
  o.rec.Clear();
  o.port.SetCustomBaudRate(300000);  // stored and applied, but the block carries 9600
  EXPECT_EQ(o.rec.States().back().BaudRate, 9600u);
}

TEST(ApplySettings, RefusedBlockRaisesCode7AndKeepsTheValue) {
  OpenPort o;
  o.port.Open();
  o.port.SetBaudRate(brCustom);
  try {
    o.port.SetCustomBaudRate(0);  // no driver takes rate 0
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 7);
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(EINVAL));
    EXPECT_EQ(std::string(e.what()), "COM Port Error: SetCommState function failed on " + o.pty.Path());
  }
  EXPECT_EQ(o.port.CustomBaudRate(), 0);
  EXPECT_TRUE(o.port.Connected());
}

TEST(ApplySettings, RefusedBlockDuringOpenClosesTheDeviceAgain) {
  OpenPort o;
  o.port.SetBaudRate(brCustom);
  o.port.SetCustomBaudRate(0);
  bool afterOpen = false;
  o.port.OnAfterOpen = [&](TCustomComPort*) { afterOpen = true; };
  try {
    o.port.Open();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 7);
  }
  EXPECT_FALSE(o.port.Connected());
  EXPECT_EQ(o.port.Handle(), comm::INVALID_HANDLE_VALUE);
  EXPECT_EQ(o.rec.Count("CloseHandle"), 1u);
  EXPECT_FALSE(afterOpen);
  o.port.SetCustomBaudRate(9600);
  EXPECT_NO_THROW(o.port.Open()) << "the line is free again";
}

class Com1Mapping : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrilo-devdir-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    std::filesystem::create_symlink(pty.Path(), dir / "ttyS0");
    ASSERT_EQ(setenv("KESTRILO_DEV_DIR", dir.c_str(), 1), 0);
  }
  void TearDown() override {
    unsetenv("KESTRILO_DEV_DIR");
    std::filesystem::remove_all(dir);
  }
  testpty::Pty pty;
  std::filesystem::path dir;
};

TEST_F(Com1Mapping, SyncMethodWhileOpenIsRefusedWithCode14) {
  TComPort port;  // named COM1 by default: the folder maps it to the pseudo-terminal
  port.Open();
  ASSERT_TRUE(port.Connected());
  EXPECT_NO_THROW(port.SetSyncMethod(smThreadSync)) << "the current value is no error";
  try {
    port.SetSyncMethod(smWindowSync);
    FAIL() << "no error";
  } catch (const EComPortExt&) {
    FAIL() << "the short form is expected";
  } catch (const EComPort& e) {
    EXPECT_EQ(e.ErrorCode(), 14);
    EXPECT_STREQ(e.what(), "COM1 Error: Cannot set property while connected");
  }
  EXPECT_EQ(port.SyncMethod(), smThreadSync);
  port.Close();
  port.SetSyncMethod(smWindowSync);
  EXPECT_EQ(port.SyncMethod(), smWindowSync);
}

TEST_F(Com1Mapping, OpeningAMissingPortRaisesCode1) {
  TComPort port;
  port.SetPort("COM7");  // nothing at ttyS6 in the folder
  std::vector<std::string> events;
  port.OnBeforeOpen = [&](TCustomComPort*) { events.push_back("BeforeOpen"); };
  port.OnAfterOpen = [&](TCustomComPort*) { events.push_back("AfterOpen"); };
  try {
    port.Open();
    FAIL() << "no error";
  } catch (const EComPortExt& e) {
    EXPECT_EQ(e.ErrorCode(), 1);
    EXPECT_EQ(e.SystemErrorCode(), static_cast<uint32_t>(ENOENT));
    EXPECT_STREQ(e.what(), "COM Port Error: Unable to open com port on COM7");
  }
  EXPECT_FALSE(port.Connected());
  EXPECT_EQ(events, std::vector<std::string>{"BeforeOpen"});
}

TEST_F(Com1Mapping, PortChangeWhileOpenReopensOnTheNewName) {
  testpty::Pty other;
  CommRecorder rec;
  std::vector<std::string> events;
  TComPort port;
  port.SetCommServices(&rec);
  port.Open();
  port.OnAfterClose = [&](TCustomComPort*) { events.push_back("AfterClose"); };
  port.OnAfterOpen = [&](TCustomComPort*) { events.push_back("AfterOpen"); };
  rec.Clear();
  port.SetPort("COM1");  // unchanged: nothing happens
  EXPECT_TRUE(rec.Calls().empty());
  port.SetPort(other.Path());
  EXPECT_EQ(events, (std::vector<std::string>{"AfterClose", "AfterOpen"}));
  EXPECT_TRUE(port.Connected());
  EXPECT_EQ(rec.Count("CloseHandle"), 1u);
  EXPECT_EQ(rec.Count("SetCommState"), 1u);
  ASSERT_EQ(port.Write("z", 1), 1);
  EXPECT_EQ(other.Receive(1), "z");
  EXPECT_EQ(pty.Receive(1, std::chrono::milliseconds(100)), "");
}

TEST(DevicePath, PortNamesMapToDevices) {
  unsetenv("KESTRILO_DEV_DIR");
  comm::TCommServices& c = comm::SystemComm();
  EXPECT_EQ(c.DevicePath("COM1"), "/dev/ttyS0");
  EXPECT_EQ(c.DevicePath("COM12"), "/dev/ttyS11");
  EXPECT_EQ(c.DevicePath("COM255"), "/dev/ttyS254");
  EXPECT_EQ(c.DevicePath("COM256"), "/dev/COM256");
  EXPECT_EQ(c.DevicePath("COM0"), "/dev/COM0");
  EXPECT_EQ(c.DevicePath("com1"), "/dev/com1");
  EXPECT_EQ(c.DevicePath("ttyACM0"), "/dev/ttyACM0");
  EXPECT_EQ(c.DevicePath("/dev/pts/3"), "/dev/pts/3");
  setenv("KESTRILO_DEV_DIR", "/tmp/x", 1);
  EXPECT_EQ(c.DevicePath("COM3"), "/tmp/x/ttyS2");
  EXPECT_EQ(c.DevicePath("ttyUSB0"), "/dev/ttyUSB0");
  unsetenv("KESTRILO_DEV_DIR");
}
