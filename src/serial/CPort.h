#pragma once
// The serial port component: one object per serial port, holding its line configuration,
// opening and closing the device, transferring bytes and reporting line events through an
// event thread. No GUI toolkit here; event delivery to the UI thread goes through the
// toolkit core's synchronised call (toolkit/synchronize.h) or notification window.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/comm.h"
#include "serial/CPortErrors.h"
#include "serial/CPortSettings.h"
#include "serial/CPortTypes.h"
#include "toolkit/component.h"
#include "toolkit/notification_window.h"
#include "toolkit/thread.h"

class TComThread;

class TCustomComPort : public TComponent {
 public:
  explicit TCustomComPort(TComponent* AOwner = nullptr);
  // Closes the port, then frees the settings objects.
  ~TCustomComPort() override;

  // ---- operations ----
  // Opens the device and applies every setting; no-op while open. Raises EComPort(Ext).
  void Open();
  // Stops the event thread and closes the device; no-op while closed. Call it on the UI thread,
  // and not from a handler that runs inside this port's own batch under smThreadSync or
  // smNone: the event thread is then waiting for that very handler and cannot end.
  void Close();
  // Writes Count bytes, blocking up to the write timeout; returns the bytes written.
  int Write(const void* Buffer, int Count);
  // Reads up to Count bytes as a byte string (every value 0..255 kept); returns the count.
  int ReadText(std::string& Str, int Count);
  // Reads up to Count (at least 1) raw bytes into Buffer; returns the count.
  int Read(void* Buffer, int Count);
  // Received bytes waiting in the driver.
  int InputCount();
  // Written bytes that have not left the port yet (0 when the driver cannot tell).
  int OutputCount();
  // The modem input lines that are on.
  TComSignals ModemSignals();
  // The driver's line errors since the last call (reading clears them).
  TComErrors LineErrors();

  // ---- settings ----
  bool Connected() const { return FConnected; }
  void SetConnected(bool Value);
  TBaudRate BaudRate() const { return FBaudRate; }
  void SetBaudRate(TBaudRate Value);
  int32_t CustomBaudRate() const { return FCustomBaudRate; }
  void SetCustomBaudRate(int32_t Value);
  const std::string& Port() const { return FPort; }
  // Compared case-sensitively; a change while open closes and reopens on the new name.
  void SetPort(const std::string& Value);
  TComParity& Parity() { return *FParity; }
  const TComParity& Parity() const { return *FParity; }
  void SetParity(const TComParity& Value);
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits Value);
  TDataBits DataBits() const { return FDataBits; }
  void SetDataBits(TDataBits Value);
  bool DiscardNull() const { return FDiscardNull; }
  void SetDiscardNull(bool Value);
  char EventChar() const { return FEventChar; }
  void SetEventChar(char Value);
  TComEvents Events() const { return FEvents; }
  // Takes effect at the next open.
  void SetEvents(TComEvents Value);
  TComBuffer& Buffer() { return *FBuffer; }
  const TComBuffer& Buffer() const { return *FBuffer; }
  void SetBuffer(const TComBuffer& Value);
  TComFlowControl& FlowControl() { return *FFlowControl; }
  const TComFlowControl& FlowControl() const { return *FFlowControl; }
  void SetFlowControl(const TComFlowControl& Value);
  TComTimeouts& Timeouts() { return *FTimeouts; }
  const TComTimeouts& Timeouts() const { return *FTimeouts; }
  void SetTimeouts(const TComTimeouts& Value);
  TSyncMethod SyncMethod() const { return FSyncMethod; }
  // Refused with code 14 while connected (unless unchanged).
  void SetSyncMethod(TSyncMethod Value);
  TThreadPriority EventThreadPriority() const { return FEventThreadPriority; }
  void SetEventThreadPriority(TThreadPriority Value) { FEventThreadPriority = Value; }

  // ---- run-time state ----
  comm::THandle Handle() const { return FHandle; }
  bool EventThreadRunning() const { return FEventThreadRunning; }

  // The serial services the port uses (not owned; nullptr selects the system's). Change it only
  // while the port is closed; tests use it to wrap the system's services.
  void SetCommServices(comm::TCommServices* Services);
  comm::TCommServices& Comm() const { return *FComm; }

  // The driver structures built from the current settings.
  comm::TDCB BuildDCB() const;
  comm::TCommTimeouts BuildTimeouts() const;

  // Each does nothing while closed; otherwise hands its group to the driver (codes 7, 8, 9).
  virtual void ApplyLineSettings();
  virtual void ApplyTimeoutSettings();
  virtual void ApplyBufferSettings();
  // Buffer, line, timeouts, in this order.
  virtual void ApplyAllSettings();

  // ---- events (called with this port as Sender) ----
  TComNotifyEvent OnAfterOpen;
  TComNotifyEvent OnAfterClose;
  TComNotifyEvent OnBeforeOpen;
  TComNotifyEvent OnBeforeClose;
  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;  // never raised: received bytes are announced through OnRxChar
  TComNotifyEvent OnTxEmpty;
  TComNotifyEvent OnBreak;
  TComNotifyEvent OnRing;
  TComSignalEvent OnCTSChange;
  TComSignalEvent OnDSRChange;
  TComSignalEvent OnRLSDChange;
  TComNotifyEvent OnRxFlag;
  TComErrorEvent OnError;
  TComNotifyEvent OnRx80Full;
  // The event thread ended because the line failed (the device is gone); delivered like the
  // other events. The port stays open until it is closed.
  TComLineLostEvent OnLineLost;

 protected:
  virtual void OpenDevice();
  virtual void CloseDevice();

  virtual void DoAfterClose();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoBeforeOpen();
  virtual void DoRxChar(int Count);
  virtual void DoRxBuf(const void* Buffer, int Count);
  virtual void DoTxEmpty();
  virtual void DoBreak();
  virtual void DoRing();
  virtual void DoRxFlag();
  virtual void DoCTSChange(bool OnOff);
  virtual void DoDSRChange(bool OnOff);
  virtual void DoError(TComErrors Errors);
  virtual void DoRLSDChange(bool OnOff);
  virtual void DoRx80Full();

  // Procedure of the notification window (message WM_USER + 1 carries one event's mask bit).
  virtual void NotificationWindowProc(TMessage& Message);

 private:
  friend class TComThread;
  struct TAsyncOperation;

  // Runs the step of one event: queries what the event needs and fires its handler.
  void RunEventStep(TComEvent Event);
  void RunLineLost(uint32_t SystemError);
  void CancelTransfers();
  bool StartRead(TAsyncOperation& Op, void* Buffer, int Count);
  int WaitForCompletion(TAsyncOperation& Op);
  [[noreturn]] void RaiseExt(uint8_t Code, uint32_t SystemError) const;

  comm::TCommServices* FComm;
  comm::THandle FHandle = comm::INVALID_HANDLE_VALUE;
  bool FConnected = false;
  TBaudRate FBaudRate = br9600;
  int32_t FCustomBaudRate = 9600;
  std::string FPort = "COM1";
  TStopBits FStopBits = sbOneStopBit;
  TDataBits FDataBits = dbEight;
  bool FDiscardNull = false;
  char FEventChar = 0;
  TComEvents FEvents = AllComEvents;
  TSyncMethod FSyncMethod = smThreadSync;
  TThreadPriority FEventThreadPriority = tpNormal;
  std::unique_ptr<TComParity> FParity;
  std::unique_ptr<TComFlowControl> FFlowControl;
  std::unique_ptr<TComTimeouts> FTimeouts;
  std::unique_ptr<TComBuffer> FBuffer;
  std::unique_ptr<TComThread> FEventThread;
  bool FEventThreadRunning = false;
  std::unique_ptr<TNotificationWindow> FWindow;
};

// The port as applications use it.
class TComPort : public TCustomComPort {
 public:
  explicit TComPort(TComponent* AOwner = nullptr) : TCustomComPort(AOwner) {}
};

// Message number of the notification window.
constexpr uint32_t CM_COMPORTEVENT = WM_USER + 1;
