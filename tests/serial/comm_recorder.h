#pragma once
// Wraps the system's serial services: every call is forwarded and recorded. For line states a
// pseudo-terminal cannot produce (line errors, modem lines), one-shot extras can be armed: they
// are added to what the real call reported.
#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/comm.h"

class CommRecorder : public comm::TCommServices {
 public:
  std::vector<std::string> Calls() const {
    std::lock_guard lock(FMutex);
    return FCalls;
  }
  size_t Count(const std::string& Name) const {
    std::lock_guard lock(FMutex);
    size_t n = 0;
    for (auto& c : FCalls) n += c == Name;
    return n;
  }
  std::vector<comm::TDCB> States() const {
    std::lock_guard lock(FMutex);
    return FStates;
  }
  std::vector<comm::TCommTimeouts> TimeoutsSet() const {
    std::lock_guard lock(FMutex);
    return FTimeouts;
  }
  std::vector<uint32_t> Masks() const {
    std::lock_guard lock(FMutex);
    return FMasks;
  }
  std::vector<uint32_t> Purges() const {
    std::lock_guard lock(FMutex);
    return FPurges;
  }
  std::vector<std::pair<int32_t, int32_t>> Queues() const {
    std::lock_guard lock(FMutex);
    return FQueues;
  }
  void Clear() {
    std::lock_guard lock(FMutex);
    FCalls.clear();
    FStates.clear();
    FTimeouts.clear();
    FMasks.clear();
    FPurges.clear();
    FQueues.clear();
  }

  // Added once to the next completed event wait / the next error word.
  std::atomic<uint32_t> ExtraEvents{0};
  std::atomic<uint32_t> ExtraErrors{0};
  // Added to every modem status read while set.
  std::atomic<uint32_t> ExtraModem{0};
  // Reported as the output queue instead of the real one while 0 or more.
  std::atomic<int64_t> FixedOutQueue{-1};
  // While set, a purge fails with this system error (as on a device that is gone).
  std::atomic<uint32_t> FailPurge{0};
  std::atomic<uint32_t> HalveWriteOf{0};  // once: a write of this many bytes passes on only half

  std::string DevicePath(const std::string& PortName) override { return Real().DevicePath(PortName); }
  comm::THandle CreateFile(const std::string& Path) override {
    Record("CreateFile");
    return Real().CreateFile(Path);
  }
  bool CloseHandle(comm::THandle Handle) override {
    Record("CloseHandle");
    return Real().CloseHandle(Handle);
  }
  bool SetupComm(comm::THandle Handle, int32_t InQueue, int32_t OutQueue) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("SetupComm");
      FQueues.emplace_back(InQueue, OutQueue);
    }
    return Real().SetupComm(Handle, InQueue, OutQueue);
  }
  bool SetCommState(comm::THandle Handle, const comm::TDCB& DCB) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("SetCommState");
      FStates.push_back(DCB);
    }
    return Real().SetCommState(Handle, DCB);
  }
  bool SetCommTimeouts(comm::THandle Handle, const comm::TCommTimeouts& Timeouts) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("SetCommTimeouts");
      FTimeouts.push_back(Timeouts);
    }
    return Real().SetCommTimeouts(Handle, Timeouts);
  }
  bool PurgeComm(comm::THandle Handle, uint32_t Flags) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("PurgeComm");
      FPurges.push_back(Flags);
    }
    if (const uint32_t error = FailPurge) {
      purgeError_ = error;
      return false;
    }
    return Real().PurgeComm(Handle, Flags);
  }
  bool ClearCommError(comm::THandle Handle, uint32_t& Errors, uint32_t& InQueue) override {
    Record("ClearCommError");
    bool ok = Real().ClearCommError(Handle, Errors, InQueue);
    if (ok) Errors |= ExtraErrors.exchange(0);
    return ok;
  }
  bool OutputQueueCount(comm::THandle Handle, uint32_t& OutQueue) override {
    Record("OutputQueueCount");
    bool ok = Real().OutputQueueCount(Handle, OutQueue);
    if (ok && FixedOutQueue.load() >= 0) OutQueue = uint32_t(FixedOutQueue.load());
    return ok;
  }
  bool GetCommModemStatus(comm::THandle Handle, uint32_t& Status) override {
    Record("GetCommModemStatus");
    bool ok = Real().GetCommModemStatus(Handle, Status);
    if (ok) Status |= ExtraModem.load();
    return ok;
  }
  comm::TIoResult WriteFile(comm::THandle Handle, const void* Buffer, uint32_t Count, uint32_t& Written) override {
    Record(("WriteFile " + std::to_string(Count)).c_str());
    if (uint32_t halve = Count; Count > 1 && HalveWriteOf.compare_exchange_strong(halve, 0)) Count /= 2;
    return Real().WriteFile(Handle, Buffer, Count, Written);
  }
  comm::TIoResult ReadFile(comm::THandle Handle, void* Buffer, uint32_t Count, uint32_t& Read) override {
    Record("ReadFile");
    return Real().ReadFile(Handle, Buffer, Count, Read);
  }
  bool SetCommMask(comm::THandle Handle, uint32_t Mask) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("SetCommMask");
      FMasks.push_back(Mask);
    }
    return Real().SetCommMask(Handle, Mask);
  }
  comm::TWaitResult WaitCommEvent(comm::THandle Handle, comm::TEventHandle StopDescriptor, uint32_t& EventMask) override {
    Record("WaitCommEvent");
    comm::TWaitResult r = Real().WaitCommEvent(Handle, StopDescriptor, EventMask);
    if (r == comm::TWaitResult::Event) EventMask |= ExtraEvents.exchange(0);
    return r;
  }
  uint32_t GetLastError() override {
    if (const uint32_t error = std::exchange(purgeError_, 0)) return error;
    return Real().GetLastError();
  }
  void OutputDebugString(const std::string& Line) override {
    {
      std::lock_guard lock(FMutex);
      FCalls.push_back("OutputDebugString " + Line);
    }
    Real().OutputDebugString(Line);
  }

 private:
  static comm::TCommServices& Real() { return comm::SystemComm(); }
  void Record(const char* Name) {
    std::lock_guard lock(FMutex);
    FCalls.emplace_back(Name);
  }

  mutable std::mutex FMutex;
  std::vector<std::string> FCalls;
  std::vector<comm::TDCB> FStates;
  std::vector<comm::TCommTimeouts> FTimeouts;
  std::vector<uint32_t> FMasks;
  std::vector<uint32_t> FPurges;
  static inline thread_local uint32_t purgeError_ = 0;  // the failed purge's, read once
  std::vector<std::pair<int32_t, int32_t>> FQueues;
};
