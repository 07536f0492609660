#pragma once
// The four settings objects of a serial port. With a back-reference to a port, a changed field
// makes that port apply its group to the driver (only while it is open).
#include <cstdint>

#include "serial/CPortTypes.h"
#include "toolkit/component.h"

class TComBuffer : public TPersistent {
 public:
  TComBuffer() = default;
  void Assign(const TPersistent& Source) override;

  TCustomComPort* ComPort() const { return FComPort; }
  int32_t InputSize() const { return FInputSize; }
  // An odd positive size is stored one less (1025 -> 1024).
  void SetInputSize(int32_t Value);
  int32_t OutputSize() const { return FOutputSize; }
  void SetOutputSize(int32_t Value);

 private:
  friend class TCustomComPort;
  void SetComPort(TCustomComPort* Port) { FComPort = Port; }
  void Changed();

  TCustomComPort* FComPort = nullptr;
  int32_t FInputSize = 1024;
  int32_t FOutputSize = 1024;
};

class TComParity : public TPersistent {
 public:
  TComParity() = default;
  void Assign(const TPersistent& Source) override;

  TCustomComPort* ComPort() const { return FComPort; }
  TParityBits Bits() const { return FBits; }
  void SetBits(TParityBits Value);
  bool Check() const { return FCheck; }
  void SetCheck(bool Value);
  bool Replace() const { return FReplace; }
  void SetReplace(bool Value);
  char ReplaceChar() const { return FReplaceChar; }
  void SetReplaceChar(char Value);

 private:
  friend class TCustomComPort;
  void SetComPort(TCustomComPort* Port) { FComPort = Port; }
  void Changed();

  TCustomComPort* FComPort = nullptr;
  TParityBits FBits = prNone;
  bool FCheck = false;
  bool FReplace = false;
  char FReplaceChar = 0;
};

class TComTimeouts : public TPersistent {
 public:
  TComTimeouts() = default;
  void Assign(const TPersistent& Source) override;

  TCustomComPort* ComPort() const { return FComPort; }
  int32_t ReadInterval() const { return FReadInterval; }
  void SetReadInterval(int32_t Value);
  int32_t ReadTotalMultiplier() const { return FReadTotalMultiplier; }
  void SetReadTotalMultiplier(int32_t Value);
  int32_t ReadTotalConstant() const { return FReadTotalConstant; }
  void SetReadTotalConstant(int32_t Value);
  int32_t WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
  void SetWriteTotalMultiplier(int32_t Value);
  int32_t WriteTotalConstant() const { return FWriteTotalConstant; }
  void SetWriteTotalConstant(int32_t Value);

 private:
  friend class TCustomComPort;
  void SetComPort(TCustomComPort* Port) { FComPort = Port; }
  void Changed();

  TCustomComPort* FComPort = nullptr;
  int32_t FReadInterval = -1;
  int32_t FReadTotalMultiplier = 0;
  int32_t FReadTotalConstant = 0;
  int32_t FWriteTotalMultiplier = 100;
  int32_t FWriteTotalConstant = 1000;
};

class TComFlowControl : public TPersistent {
 public:
  TComFlowControl() = default;
  void Assign(const TPersistent& Source) override;

  TCustomComPort* ComPort() const { return FComPort; }
  // The preset the fields match (fcCustom for any other combination).
  TFlowControl FlowControl() const;
  // Sets the preset's fields directly and applies the line settings once (always, even fcCustom).
  void SetFlowControl(TFlowControl Value);
  bool OutCTSFlow() const { return FOutCTSFlow; }
  void SetOutCTSFlow(bool Value);
  bool OutDSRFlow() const { return FOutDSRFlow; }
  void SetOutDSRFlow(bool Value);
  TDTRFlowControl ControlDTR() const { return FControlDTR; }
  void SetControlDTR(TDTRFlowControl Value);
  TRTSFlowControl ControlRTS() const { return FControlRTS; }
  void SetControlRTS(TRTSFlowControl Value);
  bool XonXoffOut() const { return FXonXoffOut; }
  void SetXonXoffOut(bool Value);
  bool XonXoffIn() const { return FXonXoffIn; }
  void SetXonXoffIn(bool Value);
  bool DSRSensitivity() const { return FDSRSensitivity; }
  void SetDSRSensitivity(bool Value);
  bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
  void SetTxContinueOnXoff(bool Value);
  char XonChar() const { return FXonChar; }
  void SetXonChar(char Value);
  char XoffChar() const { return FXoffChar; }
  void SetXoffChar(char Value);

 private:
  friend class TCustomComPort;
  void SetComPort(TCustomComPort* Port) { FComPort = Port; }
  void Changed();

  TCustomComPort* FComPort = nullptr;
  bool FOutCTSFlow = false;
  bool FOutDSRFlow = false;
  TDTRFlowControl FControlDTR = dtrDisable;
  TRTSFlowControl FControlRTS = rtsDisable;
  bool FXonXoffOut = false;
  bool FXonXoffIn = false;
  bool FDSRSensitivity = false;
  bool FTxContinueOnXoff = false;
  char FXonChar = 17;
  char FXoffChar = 19;
};
