#pragma once
// The system's serial services, passed through, noting whether a write ever moved fewer bytes
// than asked. The engine says the same words when a write times out (the device stopped
// reading) and when the device stopped acknowledging; this tells the two apart.
#include <atomic>

#include "platform/comm.h"

class TWriteWatch : public comm::TCommServices {
 public:
  bool WriteTimedOut() const { return short_; }

  comm::TIoResult WriteFile(comm::THandle H, const void* Buffer, uint32_t Count, uint32_t& Written) override {
    const comm::TIoResult r = real_.WriteFile(H, Buffer, Count, Written);
    if (r == comm::TIoResult::Completed && Written < Count) short_ = true;
    return r;
  }
  std::string DevicePath(const std::string& Name) override { return real_.DevicePath(Name); }
  comm::THandle CreateFile(const std::string& Path) override { return real_.CreateFile(Path); }
  bool CloseHandle(comm::THandle H) override { return real_.CloseHandle(H); }
  bool SetupComm(comm::THandle H, int32_t In, int32_t Out) override { return real_.SetupComm(H, In, Out); }
  bool SetCommState(comm::THandle H, const comm::TDCB& D) override { return real_.SetCommState(H, D); }
  bool SetCommTimeouts(comm::THandle H, const comm::TCommTimeouts& T) override { return real_.SetCommTimeouts(H, T); }
  bool PurgeComm(comm::THandle H, uint32_t Flags) override { return real_.PurgeComm(H, Flags); }
  bool ClearCommError(comm::THandle H, uint32_t& E, uint32_t& In) override { return real_.ClearCommError(H, E, In); }
  bool OutputQueueCount(comm::THandle H, uint32_t& Out) override { return real_.OutputQueueCount(H, Out); }
  bool GetCommModemStatus(comm::THandle H, uint32_t& S) override { return real_.GetCommModemStatus(H, S); }
  comm::TIoResult ReadFile(comm::THandle H, void* Buffer, uint32_t Count, uint32_t& Read) override {
    return real_.ReadFile(H, Buffer, Count, Read);
  }
  bool SetCommMask(comm::THandle H, uint32_t Mask) override { return real_.SetCommMask(H, Mask); }
  comm::TWaitResult WaitCommEvent(comm::THandle H, comm::TEventHandle Stop, uint32_t& Mask) override {
    return real_.WaitCommEvent(H, Stop, Mask);
  }
  uint32_t GetLastError() override { return real_.GetLastError(); }
  void OutputDebugString(const std::string& Line) override { real_.OutputDebugString(Line); }

 private:
  comm::TCommServices& real_ = comm::SystemComm();
  std::atomic<bool> short_{false};
};
