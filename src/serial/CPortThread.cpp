#include "serial/CPortThread.h"

#include <thread>

#include "serial/CPort.h"
#include "toolkit/synchronize.h"

namespace {
// The fixed order of the event steps within a batch.
constexpr TComEvent kBatchOrder[] = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                     evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
}  // namespace

TComThread::TComThread(TCustomComPort* AComPort) : TThread(true), FComPort(AComPort) {
  SetPriority(FComPort->EventThreadPriority());
  // A refused mask is not fatal: the thread waits as usual.
  (void)FComPort->Comm().SetCommMask(FComPort->Handle(), EventsToMask(FComPort->Events()));
  Resume();
}

TComThread::~TComThread() {
  StopEventLoop();
  // End the thread here: it uses this object's members until it returns.
  TerminateAndWait();
}

void TComThread::StopEventLoop() {
  FStopEvent.Set();
  std::this_thread::yield();
}

void TComThread::RunEventLoop() {
  comm::TCommServices& services = FComPort->Comm();
  const comm::THandle handle = FComPort->Handle();
  // On the way out, also when a batch raised: no events, and received bytes not read are gone.
  struct Cleanup {
    comm::TCommServices& services;
    comm::THandle handle;
    ~Cleanup() {
      services.SetCommMask(handle, 0);
      services.PurgeComm(handle, comm::PURGE_TXCLEAR | comm::PURGE_RXCLEAR);
    }
  } cleanup{services, handle};

  for (;;) {
    uint32_t mask = 0;
    const comm::TWaitResult result = services.WaitCommEvent(handle, FStopEvent.Descriptor(), mask);
    if (result == comm::TWaitResult::Failed) ReportLineLost(services.GetLastError());
    if (result != comm::TWaitResult::Event) break;  // stopped, or the wait itself failed
    FReceivedEvents = MaskToEvents(mask);
    DispatchEvents();
  }
}

void TComThread::DispatchEvents() {
  switch (FComPort->SyncMethod()) {
    case smThreadSync: Synchronize([this] { RaiseEvents(); }); break;
    case smWindowSync: SendEventMessages(); break;
    case smNone: RaiseEvents(); break;
    case smDisableEvents: break;
  }
}

// A failed wait means the device is gone; the program must hear of it, not find a silent port.
void TComThread::ReportLineLost(uint32_t SystemError) {
  switch (FComPort->SyncMethod()) {
    case smThreadSync:
    case smWindowSync: Synchronize([this, SystemError] { FComPort->RunLineLost(SystemError); }); break;
    case smNone: FComPort->RunLineLost(SystemError); break;
    case smDisableEvents: break;
  }
}

void TComThread::RaiseEvents() {
  for (TComEvent e : kBatchOrder)
    if (FReceivedEvents.Contains(e)) FComPort->RunEventStep(e);
}

void TComThread::SendEventMessages() {
  for (TComEvent e : kBatchOrder)
    if (FReceivedEvents.Contains(e)) FComPort->FWindow->SendMessage(CM_COMPORTEVENT, EventMaskBit(e), 0);
}
