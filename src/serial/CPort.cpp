#include "serial/CPort.h"

#include <exception>
#include <vector>

#include "serial/CPortThread.h"
#include "toolkit/exception_report.h"

using namespace comm;

// One transfer's record: created for the transfer, released right after it (RAII).
struct TCustomComPort::TAsyncOperation {
  enum TKind { okWrite, okRead } Kind = okWrite;
  TIoResult Result = TIoResult::NotStarted;
  uint32_t Moved = 0;
  uint32_t SystemError = 0;  // read right after the call
};

TCustomComPort::TCustomComPort(TComponent* AOwner) : TComponent(AOwner), FComm(&SystemComm()) {
  FParity = std::make_unique<TComParity>();
  FParity->SetComPort(this);
  FFlowControl = std::make_unique<TComFlowControl>();
  FFlowControl->SetComPort(this);
  FTimeouts = std::make_unique<TComTimeouts>();
  FTimeouts->SetComPort(this);
  FBuffer = std::make_unique<TComBuffer>();
  FBuffer->SetComPort(this);
}

TCustomComPort::~TCustomComPort() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report: end the thread and release the device without events.
    FEventThread.reset();
    FEventThreadRunning = false;
    FWindow.reset();
    CloseDevice();
    FConnected = false;
  }
  FBuffer.reset();
  FFlowControl.reset();
  FTimeouts.reset();
  FParity.reset();
}

void TCustomComPort::SetCommServices(TCommServices* Services) {
  FComm = Services != nullptr ? Services : &SystemComm();
}

void TCustomComPort::RaiseExt(uint8_t Code, uint32_t SystemError) const {
  throw EComPortExt(FPort, Code, SystemError);
}

// ---- settings ----

void TCustomComPort::SetConnected(bool Value) {
  if (Value == FConnected) return;
  if (Value) Open();
  else Close();
}

void TCustomComPort::SetBaudRate(TBaudRate Value) {
  if (Value == FBaudRate) return;
  FBaudRate = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetCustomBaudRate(int32_t Value) {
  if (Value == FCustomBaudRate) return;
  FCustomBaudRate = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetPort(const std::string& Value) {
  if (Value == FPort) return;
  FPort = Value;
  if (FConnected) {
    Close();
    Open();
  }
}

void TCustomComPort::SetParity(const TComParity& Value) {
  FParity->Assign(Value);
  ApplyLineSettings();
}

void TCustomComPort::SetStopBits(TStopBits Value) {
  if (Value == FStopBits) return;
  FStopBits = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetDataBits(TDataBits Value) {
  if (Value == FDataBits) return;
  FDataBits = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetDiscardNull(bool Value) {
  if (Value == FDiscardNull) return;
  FDiscardNull = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetEventChar(char Value) {
  if (Value == FEventChar) return;
  FEventChar = Value;
  ApplyLineSettings();
}

void TCustomComPort::SetEvents(TComEvents Value) { FEvents = Value; }

void TCustomComPort::SetBuffer(const TComBuffer& Value) {
  FBuffer->Assign(Value);
  ApplyBufferSettings();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& Value) {
  FFlowControl->Assign(Value);
  ApplyLineSettings();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& Value) {
  FTimeouts->Assign(Value);
  ApplyTimeoutSettings();
}

void TCustomComPort::SetSyncMethod(TSyncMethod Value) {
  if (Value == FSyncMethod) return;
  if (FConnected) throw EComPort(FPort, CError_ConnChangeProp);
  FSyncMethod = Value;
}

// ---- driver structures ----

TDCB TCustomComPort::BuildDCB() const {
  TDCB dcb;
  dcb.DCBlength = sizeof(TDCB);
  dcb.BaudRate = FBaudRate == brCustom ? static_cast<uint32_t>(FCustomBaudRate) : BaudRateToInt(FBaudRate);
  uint32_t flags = DCB_Binary;
  const TComParity& p = *FParity;
  const TComFlowControl& f = *FFlowControl;
  if (p.Check()) flags |= DCB_ParityCheck;
  if (f.OutCTSFlow()) flags |= DCB_OutxCtsFlow;
  if (f.OutDSRFlow()) flags |= DCB_OutxDsrFlow;
  if (f.ControlDTR() == dtrEnable) flags |= DCB_DtrControlEnable;
  else if (f.ControlDTR() == dtrHandshake) flags |= DCB_DtrControlHandshake;
  if (f.DSRSensitivity()) flags |= DCB_DsrSensivity;
  if (f.TxContinueOnXoff()) flags |= DCB_TxContinueOnXoff;
  if (f.XonXoffOut()) flags |= DCB_OutX;
  if (f.XonXoffIn()) flags |= DCB_InX;
  if (p.Check() && p.Replace()) flags |= DCB_ErrorChar;
  if (FDiscardNull) flags |= DCB_Null;
  if (f.ControlRTS() == rtsEnable) flags |= DCB_RtsControlEnable;
  else if (f.ControlRTS() == rtsHandshake) flags |= DCB_RtsControlHandshake;
  else if (f.ControlRTS() == rtsToggle) flags |= DCB_RtsControlToggle;
  dcb.Flags = flags;
  const uint16_t limit = static_cast<uint16_t>(FBuffer->InputSize() / 4);
  dcb.XonLim = limit;
  dcb.XoffLim = limit;
  dcb.ByteSize = static_cast<uint8_t>(5 + FDataBits);
  dcb.Parity = static_cast<uint8_t>(p.Bits());
  dcb.StopBits = static_cast<uint8_t>(FStopBits);
  dcb.XonChar = f.XonChar();
  dcb.XoffChar = f.XoffChar();
  dcb.EvtChar = FEventChar;
  dcb.ErrorChar = (p.Check() && p.Replace()) ? p.ReplaceChar() : 0;
  dcb.EofChar = 0;
  return dcb;
}

TCommTimeouts TCustomComPort::BuildTimeouts() const {
  TCommTimeouts t;
  t.ReadIntervalTimeout = static_cast<uint32_t>(FTimeouts->ReadInterval());
  t.ReadTotalTimeoutMultiplier = static_cast<uint32_t>(FTimeouts->ReadTotalMultiplier());
  t.ReadTotalTimeoutConstant = static_cast<uint32_t>(FTimeouts->ReadTotalConstant());
  t.WriteTotalTimeoutMultiplier = static_cast<uint32_t>(FTimeouts->WriteTotalMultiplier());
  t.WriteTotalTimeoutConstant = static_cast<uint32_t>(FTimeouts->WriteTotalConstant());
  return t;
}

void TCustomComPort::ApplyLineSettings() {
  if (!FConnected) return;
  const TDCB dcb = BuildDCB();
  if (!FComm->SetCommState(FHandle, dcb)) RaiseExt(CError_SetStateFailed, FComm->GetLastError());
}

void TCustomComPort::ApplyTimeoutSettings() {
  if (!FConnected) return;
  const TCommTimeouts t = BuildTimeouts();
  if (!FComm->SetCommTimeouts(FHandle, t)) RaiseExt(CError_TimeoutsFailed, FComm->GetLastError());
}

void TCustomComPort::ApplyBufferSettings() {
  if (!FConnected) return;
  if (!FComm->SetupComm(FHandle, FBuffer->InputSize(), FBuffer->OutputSize()))
    RaiseExt(CError_SetupComFailed, FComm->GetLastError());
}

void TCustomComPort::ApplyAllSettings() {
  ApplyBufferSettings();
  ApplyLineSettings();
  ApplyTimeoutSettings();
}

// ---- open and close ----

void TCustomComPort::OpenDevice() {
  const std::string path = FComm->DevicePath(FPort);
  FHandle = FComm->CreateFile(path);
  if (FHandle == INVALID_HANDLE_VALUE) {
    const uint32_t err = FComm->GetLastError();
    FComm->OutputDebugString("CreateFile " + path);
    RaiseExt(CError_OpenFailed, err);
  }
}

void TCustomComPort::CloseDevice() {
  if (FHandle != INVALID_HANDLE_VALUE) {
    FComm->CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
  }
}

void TCustomComPort::Open() {
  if (FConnected) return;
  DoBeforeOpen();
  OpenDevice();
  FConnected = true;
  try {
    ApplyAllSettings();
  } catch (...) {
    CloseDevice();
    FConnected = false;
    throw;
  }
  if (FEvents.Empty()) {
    FEventThreadRunning = false;
  } else {
    if (FSyncMethod == smWindowSync)
      FWindow = std::make_unique<TNotificationWindow>([this](TMessage& m) { NotificationWindowProc(m); });
    FEventThread = std::make_unique<TComThread>(this);
    FEventThreadRunning = true;
  }
  DoAfterOpen();
  DoCTSChange(ModemSignals().Contains(csCTS));
  DoDSRChange(ModemSignals().Contains(csDSR));
  DoRLSDChange(ModemSignals().Contains(csRLSD));
}

void TCustomComPort::CancelTransfers() {
  if (!FComm->PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT))
    RaiseExt(CError_PurgeFailed, FComm->GetLastError());
}

void TCustomComPort::Close() {
  if (!FConnected) return;
  DoCTSChange(false);
  DoDSRChange(false);
  DoRLSDChange(false);
  DoBeforeClose();
  // A device that is gone refuses the purge; the port is closed all the same, then told.
  std::exception_ptr purgeFailed;
  try {
    CancelTransfers();
  } catch (const EComPort&) {
    purgeFailed = std::current_exception();
  }
  if (FEventThreadRunning) {
    FEventThread.reset();  // stops the loop and waits, serving a batch that is handed over
    FEventThreadRunning = false;
    if (FSyncMethod == smWindowSync) FWindow.reset();
  }
  CloseDevice();
  FConnected = false;
  DoAfterClose();
  if (purgeFailed) std::rethrow_exception(purgeFailed);
}

// ---- transfers ----

int TCustomComPort::WaitForCompletion(TAsyncOperation& Op) {
  if (Op.Result == TIoResult::Failed)
    RaiseExt(Op.Kind == TAsyncOperation::okWrite ? CError_WriteFailed : CError_ReadFailed, Op.SystemError);
  if (Op.Kind == TAsyncOperation::okRead) InputCount();
  return static_cast<int>(Op.Moved);
}

int TCustomComPort::Write(const void* Buffer, int Count) {
  // On the stack: a sound goes out in thousands of small writes.
  TAsyncOperation op;
  op.Kind = TAsyncOperation::okWrite;
  op.Result = FComm->WriteFile(FHandle, Buffer, Count > 0 ? static_cast<uint32_t>(Count) : 0, op.Moved);
  if (op.Result != TIoResult::Completed) op.SystemError = FComm->GetLastError();
  if (op.Result == TIoResult::NotStarted) RaiseExt(CError_WriteFailed, op.SystemError);
  return WaitForCompletion(op);
}

bool TCustomComPort::StartRead(TAsyncOperation& Op, void* Buffer, int Count) {
  Op.Kind = TAsyncOperation::okRead;
  Op.Result = FComm->ReadFile(FHandle, Buffer, static_cast<uint32_t>(Count), Op.Moved);
  if (Op.Result != TIoResult::Completed) Op.SystemError = FComm->GetLastError();
  // A read the system refuses to start ends at once with nothing, without an error.
  return Op.Result != TIoResult::NotStarted;
}

int TCustomComPort::ReadText(std::string& Str, int Count) {
  auto op = std::make_unique<TAsyncOperation>();
  Str.clear();
  if (Count <= 0) return 0;
  std::vector<char> buffer(static_cast<size_t>(Count));
  if (!StartRead(*op, buffer.data(), Count)) return 0;
  const int n = WaitForCompletion(*op);
  Str.assign(buffer.data(), static_cast<size_t>(n));
  return n;
}

int TCustomComPort::Read(void* Buffer, int Count) {
  if (Count < 1) return 0;
  auto op = std::make_unique<TAsyncOperation>();
  if (!StartRead(*op, Buffer, Count)) return 0;
  return WaitForCompletion(*op);
}

int TCustomComPort::InputCount() {
  uint32_t errors = 0, queued = 0;
  if (!FComm->ClearCommError(FHandle, errors, queued)) RaiseExt(CError_ClearComFailed, FComm->GetLastError());
  return static_cast<int>(queued);
}

int TCustomComPort::OutputCount() {
  uint32_t queued = 0;
  if (!FComm->OutputQueueCount(FHandle, queued)) RaiseExt(CError_ClearComFailed, FComm->GetLastError());
  return static_cast<int>(queued);
}

TComSignals TCustomComPort::ModemSignals() {
  uint32_t status = 0;
  if (!FComm->GetCommModemStatus(FHandle, status)) RaiseExt(CError_ModemStatFailed, FComm->GetLastError());
  TComSignals s;
  if (status & MS_CTS_ON) s.Include(csCTS);
  if (status & MS_DSR_ON) s.Include(csDSR);
  if (status & MS_RING_ON) s.Include(csRing);
  if (status & MS_RLSD_ON) s.Include(csRLSD);
  return s;
}

TComErrors TCustomComPort::LineErrors() {
  uint32_t errors = 0, queued = 0;
  if (!FComm->ClearCommError(FHandle, errors, queued)) RaiseExt(CError_ClearComFailed, FComm->GetLastError());
  TComErrors e;
  if (errors & CE_FRAME) e.Include(ceFrame);
  if ((errors & CE_RXPARITY) && FParity->Check()) e.Include(ceRxParity);
  if (errors & CE_OVERRUN) e.Include(ceOverrun);
  if (errors & CE_BREAK) e.Include(ceBreak);
  if (errors & CE_IOE) e.Include(ceIO);
  if (errors & CE_MODE) e.Include(ceMode);
  if (errors & CE_RXOVER) e.Include(ceRxOver);
  if (errors & CE_TXFULL) e.Include(ceTxFull);
  return e;
}

// ---- events ----

void TCustomComPort::RunLineLost(uint32_t SystemError) {
  if (OnLineLost) OnLineLost(this, SystemError);
}

void TCustomComPort::RunEventStep(TComEvent Event) {
  switch (Event) {
    case evRxChar: {
      const int count = InputCount();
      if (count > 0) DoRxChar(count);
      break;
    }
    case evTxEmpty: DoTxEmpty(); break;
    case evRxFlag: DoRxFlag(); break;
    case evRing: DoRing(); break;
    case evBreak: DoBreak(); break;
    case evCTS: DoCTSChange(ModemSignals().Contains(csCTS)); break;
    case evDSR: DoDSRChange(ModemSignals().Contains(csDSR)); break;
    case evRLSD: DoRLSDChange(ModemSignals().Contains(csRLSD)); break;
    case evError: {
      const TComErrors errors = LineErrors();
      if (!errors.Empty()) DoError(errors);
      break;
    }
    case evRx80Full: DoRx80Full(); break;
  }
}

void TCustomComPort::NotificationWindowProc(TMessage& Message) {
  if (Message.Msg != CM_COMPORTEVENT) {
    DefWindowProc(Message);
    return;
  }
  Message.Result = 0;
  try {
    if (InSendMessage()) ReplyMessage(0);  // releases the event thread before the step runs
    if (FConnected) {
      for (int e = evRxChar; e <= evRx80Full; ++e) {
        if (EventMaskBit(static_cast<TComEvent>(e)) == Message.WParam) {
          RunEventStep(static_cast<TComEvent>(e));
          break;
        }
      }
    }
  } catch (...) {
    ReportException(std::current_exception());
  }
}

void TCustomComPort::DoAfterClose() {
  if (OnAfterClose) OnAfterClose(this);
}
void TCustomComPort::DoAfterOpen() {
  if (OnAfterOpen) OnAfterOpen(this);
}
void TCustomComPort::DoBeforeClose() {
  if (OnBeforeClose) OnBeforeClose(this);
}
void TCustomComPort::DoBeforeOpen() {
  if (OnBeforeOpen) OnBeforeOpen(this);
}
void TCustomComPort::DoRxChar(int Count) {
  if (OnRxChar) OnRxChar(this, Count);
}
void TCustomComPort::DoRxBuf(const void* Buffer, int Count) {
  if (OnRxBuf) OnRxBuf(this, Buffer, Count);
}
void TCustomComPort::DoTxEmpty() {
  if (OnTxEmpty) OnTxEmpty(this);
}
void TCustomComPort::DoBreak() {
  if (OnBreak) OnBreak(this);
}
void TCustomComPort::DoRing() {
  if (OnRing) OnRing(this);
}
void TCustomComPort::DoRxFlag() {
  if (OnRxFlag) OnRxFlag(this);
}
void TCustomComPort::DoCTSChange(bool OnOff) {
  if (OnCTSChange) OnCTSChange(this, OnOff);
}
void TCustomComPort::DoDSRChange(bool OnOff) {
  if (OnDSRChange) OnDSRChange(this, OnOff);
}
void TCustomComPort::DoError(TComErrors Errors) {
  if (OnError) OnError(this, Errors);
}
void TCustomComPort::DoRLSDChange(bool OnOff) {
  if (OnRLSDChange) OnRLSDChange(this, OnOff);
}
void TCustomComPort::DoRx80Full() {
  if (OnRx80Full) OnRx80Full(this);
}
