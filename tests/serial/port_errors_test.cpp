#include <gtest/gtest.h>

#include "serial/CPort.h"

TEST(PortErrorText, EveryCodeHasItsText) {
  EXPECT_EQ(PortErrorText(1), "Unable to open com port");
  EXPECT_EQ(PortErrorText(2), "WriteFile function failed");
  EXPECT_EQ(PortErrorText(3), "ReadFile function failed");
  EXPECT_EQ(PortErrorText(4), "Invalid Async parameter");
  EXPECT_EQ(PortErrorText(5), "PurgeComm function failed");
  EXPECT_EQ(PortErrorText(6), "Unable to get async status");
  EXPECT_EQ(PortErrorText(7), "SetCommState function failed");
  EXPECT_EQ(PortErrorText(8), "SetCommTimeouts failed");
  EXPECT_EQ(PortErrorText(9), "SetupComm function failed");
  EXPECT_EQ(PortErrorText(10), "ClearCommError function failed");
  EXPECT_EQ(PortErrorText(11), "GetCommModemStatus function failed");
  EXPECT_EQ(PortErrorText(12), "EscapeCommFunction function failed");
  EXPECT_EQ(PortErrorText(13), "TransmitCommChar function failed");
  EXPECT_EQ(PortErrorText(14), "Cannot set property while connected");
  EXPECT_EQ(PortErrorText(15), "EnumPorts function failed");
  EXPECT_EQ(PortErrorText(16), "Failed to store settings");
  EXPECT_EQ(PortErrorText(17), "Failed to load settings");
  EXPECT_EQ(PortErrorText(18), "Link (un)registration failed");
  EXPECT_EQ(PortErrorText(19), "Cannot change led state if ComPort is selected");
  EXPECT_EQ(PortErrorText(20), "Cannot wait for event if event thread is created");
  EXPECT_EQ(PortErrorText(21), "WaitForEvent method failed");
  EXPECT_EQ(PortErrorText(22), "A component is linked to OnRxBuf event");
  EXPECT_EQ(PortErrorText(23), "Registry error");
}

TEST(PortErrorText, OtherCodesAreUnknown) {
  EXPECT_EQ(PortErrorText(0), "Unknown Error #0");
  EXPECT_EQ(PortErrorText(24), "Unknown Error #24");
  EXPECT_EQ(PortErrorText(255), "Unknown Error #255");
  EXPECT_EQ(PortErrorText(-1), "Unknown Error #-1");
}

TEST(EComPort, ShortFormNamesThePortFirst) {
  EComPort e("COM1", 14);
  EXPECT_STREQ(e.what(), "COM1 Error: Cannot set property while connected");
  EXPECT_EQ(e.ErrorCode(), 14);
  EComPort empty("", 14);
  EXPECT_STREQ(empty.what(), " Error: Cannot set property while connected");
}

TEST(EComPortExt, ExtendedFormKeepsTheSystemCodeOutOfTheMessage) {
  EComPortExt e("COM7", 1, 2);
  EXPECT_STREQ(e.what(), "COM Port Error: Unable to open com port on COM7");
  EXPECT_EQ(e.ErrorCode(), 1);
  EXPECT_EQ(e.SystemErrorCode(), 2u);
  const EComPort& base = e;  // caught as the base class, the code is still there
  EXPECT_EQ(base.ErrorCode(), 1);
  EComPortExt unknown("", 30, 5);
  EXPECT_STREQ(unknown.what(), "COM Port Error: Unknown Error #30 on ");
}
