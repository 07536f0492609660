#pragma once
// The device engine: finds the device, plays its sounds and uploads a list of sounds to
// it. It owns the serial port and shows its work through a front end.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceInfo.h"
#include "device/FrontEnd.h"
#include "device/Protocol.h"
#include "device/Wording.h"
#include "serial/CPort.h"
#include "sound/SoundCache.h"
#include "sound/SoundOptions.h"
#include "toolkit/flag_scope.h"

// The design's waits; tests shorten them.
struct TEngineTimeouts {
  uint32_t VersionWaitMs = 500;
  uint32_t EraseWaitMs = 60000;
  uint32_t AckWaitMs = 10;
  // Slack beyond the line's pace before a silent device or a full port counts as stopped.
  uint32_t StopMarginMs = 2000;
};

// One row of an upload: row I becomes the device's input I + 1.
struct TUploadRow {
  std::string FileName;
  int32_t Address = 1;
  sound::TSoundOptions Options{};  // all off: converted as it is
};

// How the rows are prepared: encoders at once (0: one per core), the cache of prepared
// sounds (none: every row is encoded), and whether short sounds share an encoder run (off:
// one run a sound, as before).
struct TPreparation {
  int Encoders = 0;
  std::optional<sound::TSoundCache> Cache = sound::TSoundCache::ForUser();
  bool ShareRuns = true;
};

// One row encoded and ready to go: its samples exactly as they go on the wire.
struct TPreparedSound {
  std::string SampleFile;   // 0x00 already sent as 0x01
  int64_t EncodedSize = 0;  // size of the encoder's file, which the memory check counts
  int32_t Address = 1;
};
using TPreparedSounds = std::vector<TPreparedSound>;

// How an upload ended. Errors (a port or file failure) leave Upload as exceptions.
enum class TUploadOutcome {
  Completed,
  NotStarted,      // a search, sound test or upload was already running
  NoFile,
  EncodingFailed,
  NoDevice,
  TooLarge,
  EraseTimeout,
  DeviceLost,      // the port failed: the device was unplugged or its driver went away
  DeviceStopped,   // the device stopped taking data
  Cancelled,       // the user stopped the upload
  UnexpectedReply, // the port answered the erase with something the device never sends
};

// Ends an upload early: what the user reads and how the run ended.
class EUploadStopped : public std::runtime_error {
 public:
  EUploadStopped(TUploadOutcome Outcome, TNotices Message)
      : std::runtime_error(Word(Message)), outcome_(Outcome), message_(std::move(Message)) {}
  TUploadOutcome Outcome() const { return outcome_; }
  const TNotices& Message() const { return message_; }

 private:
  TUploadOutcome outcome_;
  TNotices message_;
};

// A row (from 0) whose file is missing or no regular file, and why: the system's reason or
// what the file is.
struct TUnusableRow {
  int Row = 0;
  std::string Why;
  bool operator==(const TUnusableRow&) const = default;
};

// What the rows of an upload hold that their user should hear of before anything is sent.
struct TRowFindings {
  std::vector<TUnusableRow> Unusable;    // in row order
  std::vector<int32_t> SharedAddresses;  // addresses of more than one row, in the order they repeat
};

class TDeviceEngine {
 public:
  // Every upload and encoding refuses the first unusable row before it starts; front ends ask
  // first to word the findings their own way.
  static TRowFindings Validate(const std::vector<TUploadRow>& Rows);
  static std::vector<int32_t> SharedAddresses(const std::vector<TUploadRow>& Rows);
  explicit TDeviceEngine(TDeviceFrontEnd& FrontEnd, TEngineTimeouts Timeouts = {});
  ~TDeviceEngine();
  TDeviceEngine(const TDeviceEngine&) = delete;
  TDeviceEngine& operator=(const TDeviceEngine&) = delete;

  // Every byte the device sends is appended here; the protocol's waits look for replies in
  // it. A byte string: 0x00 and bytes above 127 are kept as they are.
  const std::string& RxBuffer() const { return rxBuffer_; }
  const TComPort& ComPort() const { return *comPort_; }  // device link
  std::vector<std::string> PortList;  // candidate port names of the last search
  const TDeviceInfo& Device() const { return device_; }  // result of the last search
  // The found device's port went away outside a run: the port is closed and no device is known.
  void ForgetDevice();

  // ---- device link (DeviceLink.cpp) ----
  void ComPortRxChar(TCustomComPort* Sender, int Count);
  void WaitTicks(uint32_t Milliseconds);
  void WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info);
  bool WaitForByte(uint32_t Milliseconds, uint8_t Value);
  void FindDevice(TDeviceInfo& Info);
  // Searches and keeps what it found in Device; panel 2 tells the result.
  void SearchDevice();
  // Makes the device play sound Number (1..4), searching first when no search has run.
  void SoundTest(int Number);
  // What the search says of the found device: its name, port, memory and seconds.
  TNotice FoundNotice() const;
  // Why the last search found nothing, when the system said why (a busy port, a port
  // without permission); None otherwise.
  TNotice SearchProblem;
  // The receive buffer holds at most this much; a flooding line cannot grow it further.
  static constexpr size_t MaxRxBuffer = 64 * 1024;

  // Ports the search tries instead of the system's port map; empty for the map.
  std::vector<std::string> OnlyPorts;
  // The ports a search would probe: OnlyPorts, else the port map, else every COM1..COM255
  // that opens (which leaves the port closed, set to the last name tried).
  std::vector<std::string> CandidatePorts();

  // ---- upload (Upload.cpp) ----
  // The whole sequence: search, encoding, checks, erase, data, addresses.
  // Prepared, when given, sees the sounds once they are all encoded, before the checks.
  using TPreparedSeen = std::function<void(const TPreparedSounds&)>;
  TUploadOutcome Upload(const std::vector<TUploadRow>& Rows, const TPreparedSeen& Prepared = {});
  // The encoding phase alone, without a device: every row encoded and its samples prepared
  // in this run's temporary folder. Completed or EncodingFailed.
  TUploadOutcome Encode(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds);
  // The sequence for sounds Encode prepared (perhaps another engine's): search, checks,
  // erase, data, addresses.
  TUploadOutcome UploadPrepared(const TPreparedSounds& Sounds);
  // Asks a running upload to stop at its next step; from the front end's pump or a signal.
  void Cancel() { cancel_ = true; }
  TPreparation Preparation;
  // Why the last conversion failed; empty when the encoder succeeded.
  const std::string& EncodeError() const { return encodeError_; }
  // Converts Source into Dest, no longer than Capacity samples can play (and a second).
  void EncodeFile(const std::string& Source, const std::string& Dest, int64_t Capacity = protocol::LargestCapacity);

  // A search, sound test or upload is running (their pumps may call in again).
  bool Busy() const { return busy_; }
  TDeviceFrontEnd& FrontEnd() { return front_; }
  const TEngineTimeouts& Timeouts() const { return timeouts_; }
  void SetTimeouts(const TEngineTimeouts& Value) { timeouts_ = Value; }

 private:
  friend struct TEngineSeam;  // tests reach the port and the buffer directly
  class TUploadRun;
  friend class TUploadRun;
  class TEncoding;
  friend class TEncoding;
  // The engine waits on the thread that made it: a call from another would see no event.
  void CheckThread() const;
  void SendByte(uint8_t Byte);
  void SendBytes(const uint8_t* Bytes, size_t Count);
  [[noreturn]] void ThrowDeviceStopped() const;
  void OpenPort();
  void ClosePortQuietly() noexcept;
  bool Interrupted() const { return cancel_ || lineLost_; }
  // Throws the upload's stop when the user cancelled or the line was lost.
  void CheckRun() const;
  void Search();
  bool DropDeadPort();
  // Sends the play command to the found device; on a failure closes the port, forgets the
  // device and says why in Failure.
  bool PlayOnFoundPort(int Number, std::string& Failure);
  void ListCandidatePorts();
  bool ProbePort(const std::string& Port, TBaudRate Speed, TDeviceInfo& Info);

  std::string rxBuffer_ = "#";
  std::unique_ptr<TComPort> comPort_;
  TDeviceInfo device_;
  TDeviceFrontEnd& front_;
  TEngineTimeouts timeouts_;
  std::string encodeError_;
  const std::thread::id owner_ = std::this_thread::get_id();
  bool busy_ = false;
  std::atomic<bool> cancel_{false};  // may be set from another thread
  bool lineLost_ = false;    // the port's event thread ended by a failure
  uint32_t lostError_ = 0;   // the system's code of that failure
};
