#include "serial/CPortErrors.h"

#include <array>

namespace {
constexpr std::array<const char*, 23> kErrorTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};
}  // namespace

std::string PortErrorText(int Code) {
  if (Code >= 1 && Code <= static_cast<int>(kErrorTexts.size())) return kErrorTexts[Code - 1];
  return "Unknown Error #" + std::to_string(Code);
}

EComPort::EComPort(const std::string& Port, uint8_t Code)
    : std::runtime_error(Port + " Error: " + PortErrorText(Code)), FErrorCode(Code) {}

EComPort::EComPort(const std::string& Message, uint8_t Code, bool)
    : std::runtime_error(Message), FErrorCode(Code) {}

EComPortExt::EComPortExt(const std::string& Port, uint8_t Code, uint32_t SystemErrorCode)
    : EComPort("COM Port Error: " + PortErrorText(Code) + " on " + Port, Code, true),
      FSystemErrorCode(SystemErrorCode) {}
