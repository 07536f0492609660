#include "serial/CPortSettings.h"

#include "serial/CPort.h"

// ---- TComBuffer ----

void TComBuffer::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TComBuffer*>(&Source);
  if (src == nullptr || typeid(*src) != typeid(*this)) AssignError(Source);
  FInputSize = src->FInputSize;
  FOutputSize = src->FOutputSize;
}

void TComBuffer::Changed() {
  if (FComPort) FComPort->ApplyBufferSettings();
}

namespace {
// The driver takes even queue sizes only.
int32_t EvenSize(int32_t Value) { return (Value > 0 && Value % 2 == 1) ? Value - 1 : Value; }
}  // namespace

void TComBuffer::SetInputSize(int32_t Value) {
  if (Value == FInputSize) return;
  FInputSize = EvenSize(Value);
  Changed();
}

void TComBuffer::SetOutputSize(int32_t Value) {
  if (Value == FOutputSize) return;
  FOutputSize = EvenSize(Value);
  Changed();
}

// ---- TComParity ----

void TComParity::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TComParity*>(&Source);
  if (src == nullptr || typeid(*src) != typeid(*this)) AssignError(Source);
  FBits = src->FBits;
  FCheck = src->FCheck;
  FReplace = src->FReplace;
  FReplaceChar = src->FReplaceChar;
}

void TComParity::Changed() {
  if (FComPort) FComPort->ApplyLineSettings();
}

void TComParity::SetBits(TParityBits Value) {
  if (Value == FBits) return;
  FBits = Value;
  Changed();
}

void TComParity::SetCheck(bool Value) {
  if (Value == FCheck) return;
  FCheck = Value;
  Changed();
}

void TComParity::SetReplace(bool Value) {
  if (Value == FReplace) return;
  FReplace = Value;
  Changed();
}

void TComParity::SetReplaceChar(char Value) {
  if (Value == FReplaceChar) return;
  FReplaceChar = Value;
  Changed();
}

// ---- TComTimeouts ----

void TComTimeouts::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TComTimeouts*>(&Source);
  if (src == nullptr || typeid(*src) != typeid(*this)) AssignError(Source);
  FReadInterval = src->FReadInterval;
  FReadTotalMultiplier = src->FReadTotalMultiplier;
  FReadTotalConstant = src->FReadTotalConstant;
  FWriteTotalMultiplier = src->FWriteTotalMultiplier;
  FWriteTotalConstant = src->FWriteTotalConstant;
}

void TComTimeouts::Changed() {
  if (FComPort) FComPort->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(int32_t Value) {
  if (Value == FReadInterval) return;
  FReadInterval = Value;
  Changed();
}

void TComTimeouts::SetReadTotalMultiplier(int32_t Value) {
  if (Value == FReadTotalMultiplier) return;
  FReadTotalMultiplier = Value;
  Changed();
}

void TComTimeouts::SetReadTotalConstant(int32_t Value) {
  if (Value == FReadTotalConstant) return;
  FReadTotalConstant = Value;
  Changed();
}

void TComTimeouts::SetWriteTotalMultiplier(int32_t Value) {
  if (Value == FWriteTotalMultiplier) return;
  FWriteTotalMultiplier = Value;
  Changed();
}

void TComTimeouts::SetWriteTotalConstant(int32_t Value) {
  if (Value == FWriteTotalConstant) return;
  FWriteTotalConstant = Value;
  Changed();
}

// ---- TComFlowControl ----

void TComFlowControl::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TComFlowControl*>(&Source);
  if (src == nullptr || typeid(*src) != typeid(*this)) AssignError(Source);
  FOutCTSFlow = src->FOutCTSFlow;
  FOutDSRFlow = src->FOutDSRFlow;
  FControlDTR = src->FControlDTR;
  FControlRTS = src->FControlRTS;
  FXonXoffOut = src->FXonXoffOut;
  FXonXoffIn = src->FXonXoffIn;
  FDSRSensitivity = src->FDSRSensitivity;
  FTxContinueOnXoff = src->FTxContinueOnXoff;
  FXonChar = src->FXonChar;
  FXoffChar = src->FXoffChar;
}

void TComFlowControl::Changed() {
  if (FComPort) FComPort->ApplyLineSettings();
}

TFlowControl TComFlowControl::FlowControl() const {
  if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcHardware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut) return fcSoftware;
  if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl Value) {
  if (Value != fcCustom) {
    FControlRTS = rtsDisable;
    FOutCTSFlow = false;
    FXonXoffIn = false;
    FXonXoffOut = false;
    if (Value == fcHardware) {
      FControlRTS = rtsHandshake;
      FOutCTSFlow = true;
    } else if (Value == fcSoftware) {
      FXonXoffIn = true;
      FXonXoffOut = true;
    }
  }
  Changed();
}

void TComFlowControl::SetOutCTSFlow(bool Value) {
  if (Value == FOutCTSFlow) return;
  FOutCTSFlow = Value;
  Changed();
}

void TComFlowControl::SetOutDSRFlow(bool Value) {
  if (Value == FOutDSRFlow) return;
  FOutDSRFlow = Value;
  Changed();
}

void TComFlowControl::SetControlDTR(TDTRFlowControl Value) {
  if (Value == FControlDTR) return;
  FControlDTR = Value;
  Changed();
}

void TComFlowControl::SetControlRTS(TRTSFlowControl Value) {
  if (Value == FControlRTS) return;
  FControlRTS = Value;
  Changed();
}

void TComFlowControl::SetXonXoffOut(bool Value) {
  if (Value == FXonXoffOut) return;
  FXonXoffOut = Value;
  Changed();
}

void TComFlowControl::SetXonXoffIn(bool Value) {
  if (Value == FXonXoffIn) return;
  FXonXoffIn = Value;
  Changed();
}

void TComFlowControl::SetDSRSensitivity(bool Value) {
  if (Value == FDSRSensitivity) return;
  FDSRSensitivity = Value;
  Changed();
}

void TComFlowControl::SetTxContinueOnXoff(bool Value) {
  if (Value == FTxContinueOnXoff) return;
  FTxContinueOnXoff = Value;
  Changed();
}

void TComFlowControl::SetXonChar(char Value) {
  if (Value == FXonChar) return;
  FXonChar = Value;
  Changed();
}

void TComFlowControl::SetXoffChar(char Value) {
  if (Value == FXoffChar) return;
  FXoffChar = Value;
  Changed();
}
