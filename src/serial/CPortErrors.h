#pragma once
// Errors raised by the serial port component.
#include <cstdint>
#include <stdexcept>
#include <string>

// Error codes raised by the component.
enum : uint8_t {
  CError_OpenFailed = 1,
  CError_WriteFailed = 2,
  CError_ReadFailed = 3,
  CError_InvalidAsync = 4,
  CError_PurgeFailed = 5,
  CError_AsyncCheck = 6,
  CError_SetStateFailed = 7,
  CError_TimeoutsFailed = 8,
  CError_SetupComFailed = 9,
  CError_ClearComFailed = 10,
  CError_ModemStatFailed = 11,
  CError_EscapeComFailed = 12,
  CError_TransmitFailed = 13,
  CError_ConnChangeProp = 14,
  CError_EnumPortsFailed = 15,
  CError_StoreFailed = 16,
  CError_LoadFailed = 17,
  CError_RegFailed = 18,
  CError_LedStateFailed = 19,
  CError_ThreadCreated = 20,
  CError_WaitFailed = 21,
  CError_HasLink = 22,
  CError_RegError = 23,
};

// Text of a component error code; "Unknown Error #<code>" outside 1..23.
std::string PortErrorText(int Code);

// A component failure. what() is the message: "<port> Error: <text>".
class EComPort : public std::runtime_error {
 public:
  EComPort(const std::string& Port, uint8_t Code);
  uint8_t ErrorCode() const { return FErrorCode; }

 protected:
  EComPort(const std::string& Message, uint8_t Code, bool /*MessageComposed*/);

 private:
  uint8_t FErrorCode;
};

// A component failure caused by a failed system call.
// what() is "COM Port Error: <text> on <port>"; the system code is only in SystemErrorCode().
class EComPortExt : public EComPort {
 public:
  EComPortExt(const std::string& Port, uint8_t Code, uint32_t SystemErrorCode);
  uint32_t SystemErrorCode() const { return FSystemErrorCode; }

 private:
  uint32_t FSystemErrorCode;
};
