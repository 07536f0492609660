#pragma once
// The event thread of an open port: waits for line events and delivers each completed wait as
// one batch of component events, the way the port's SyncMethod says.
#include "platform/comm.h"
#include "serial/CPortTypes.h"
#include "toolkit/thread.h"

class TCustomComPort;

class TComThread : public TThread {
 public:
  // Sets the driver's event mask from the port's Events and starts the thread.
  explicit TComThread(TCustomComPort* AComPort);
  // Stops the loop and waits for the thread's end (serving a batch that is being handed over).
  ~TComThread() override;

 protected:
  void Execute() override { RunEventLoop(); }
  void RunEventLoop();
  void StopEventLoop();
  void DispatchEvents();
  void RaiseEvents();
  void SendEventMessages();
  void ReportLineLost(uint32_t SystemError);

 private:
  TCustomComPort* FComPort;
  comm::TStopEvent FStopEvent;
  TComEvents FReceivedEvents;
};
