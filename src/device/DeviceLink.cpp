// The device link: the receive buffer, the protocol's waits, the device search and the
// sound test.
#include <algorithm>
#include <cerrno>
#include <optional>

#include "device/Engine.h"
#include "device/Protocol.h"
#include "platform/port_holder.h"
#include "platform/port_map.h"
#include "platform/error_text.h"
#include "platform/ticks.h"

namespace {

// Port is a name as the search tried it; the holder is found by the device it opens.
TNotice BusyNotice(const std::string& Port, const std::string& DevicePath) {
  const std::string holder = platform::PortHolder(DevicePath);
  if (holder.empty()) return {TNoticeId::PortBusy, {Port}};
  return {TNoticeId::PortBusyBy, {Port, holder}};
}

const char* const DeviceDisplayName = "Vorel-30415 Sound Player";

constexpr TBaudRate SearchSpeeds[] = {br115200, br57600, br9600};

}  // namespace

TDeviceEngine::TDeviceEngine(TDeviceFrontEnd& FrontEnd, TEngineTimeouts Timeouts)
    : comPort_(std::make_unique<TComPort>()), front_(FrontEnd), timeouts_(Timeouts) {
  comPort_->OnRxChar = [this](TCustomComPort* Sender, int Count) { ComPortRxChar(Sender, Count); };
  comPort_->OnLineLost = [this](TCustomComPort*, uint32_t Error) {
    lineLost_ = true;
    lostError_ = Error;
  };
}

TDeviceEngine::~TDeviceEngine() = default;

// A byte the port did not take is a device that stopped reading, never a byte to drop.
void TDeviceEngine::SendByte(uint8_t Byte) { SendBytes(&Byte, 1); }

void TDeviceEngine::SendBytes(const uint8_t* Bytes, size_t Count) {
  if (size_t(comPort_->Write(Bytes, int(Count))) != Count) ThrowDeviceStopped();
}

void TDeviceEngine::CheckThread() const {
  if (std::this_thread::get_id() != owner_)
    throw std::logic_error("The device engine was called from a thread other than the one that made it");
}

void TDeviceEngine::ThrowDeviceStopped() const {
  throw EUploadStopped(TUploadOutcome::DeviceStopped, {{TNoticeId::DeviceStopped, {comPort_->Port()}}});
}

void TDeviceEngine::OpenPort() {
  lineLost_ = false;
  comPort_->Open();
}

void TDeviceEngine::CheckRun() const {
  if (lineLost_)
    throw EUploadStopped(TUploadOutcome::DeviceLost, {{TNoticeId::Disconnected, {comPort_->Port()}},
                                                      {TNoticeId::Reason, {platform::SystemErrorText(lostError_)}}});
  if (cancel_) throw EUploadStopped(TUploadOutcome::Cancelled, {{TNoticeId::Cancelled}});
}

void TDeviceEngine::ComPortRxChar(TCustomComPort* Sender, int Count) {
  std::string received;
  Sender->ReadText(received, Count);
  // The bytes are always taken from the line; a flood beyond any reply is not kept.
  rxBuffer_.append(received, 0, std::min(received.size(), MaxRxBuffer - std::min(rxBuffer_.size(), MaxRxBuffer)));
}

// ---- waits ----

void TDeviceEngine::WaitTicks(uint32_t Milliseconds) {
  front_.PumpEventsUntil(platform::GetTickCount(), Milliseconds, [this] { return Interrupted(); });
}

void TDeviceEngine::WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info) {
  Info.Status = 0;
  Info.ReplyByte2 = 0;
  Info.ReplyByte1 = 0;
  const uint32_t start = platform::GetTickCount();
  // The first '8' stays the first while bytes are appended, so a recognised reply holds.
  const auto look = [this, &Info] {
    const auto p = rxBuffer_.find(char(protocol::ReplyVersion));
    if (p != std::string::npos && rxBuffer_.size() >= p + 3) {
      Info.Status = protocol::DeviceAnswered;
      Info.ReplyByte1 = static_cast<uint8_t>(rxBuffer_[p + 1]);
      Info.ReplyByte2 = static_cast<uint8_t>(rxBuffer_[p + 2]);
    }
    return lineLost_ || cancel_;  // otherwise the wait lasts its whole time
  };
  if (platform::TicksSince(start) >= Milliseconds) return;
  look();
  front_.PumpEventsUntil(start, Milliseconds, look);
  // The last pump may have run up to the deadline; what it delivered arrived in time.
  look();
}

bool TDeviceEngine::WaitForByte(uint32_t Milliseconds, uint8_t Value) {
  const auto found = [this, Value] { return rxBuffer_.find(static_cast<char>(Value)) != std::string::npos; };
  return front_.PumpEventsUntil(platform::GetTickCount(), Milliseconds, [&] { return found() || Interrupted(); }) &&
         found();
}

// ---- search ----

std::vector<std::string> TDeviceEngine::CandidatePorts() {
  if (!OnlyPorts.empty()) return OnlyPorts;
  std::vector<std::string> ports;
  if (const auto map = platform::ReadPortMap()) {
    for (const auto& value : *map) ports.push_back(value.Data);
    return ports;
  }
  // No map: every port name that opens is a candidate.
  for (int n = 1; n <= 255; ++n) {
    try {
      if (comPort_->Connected()) comPort_->Close();
      comPort_->SetPort("COM" + std::to_string(n));
      comPort_->Open();
      ports.push_back(comPort_->Port());
      comPort_->Close();
      front_.PumpEvents();
    } catch (const EComPortExt& e) {
      // Held by another program: still a candidate, whose search says why it was not probed.
      if (platform::PortRefusalOf(e.SystemErrorCode()) == platform::TPortRefusal::InUse)
        ports.push_back(comPort_->Port());
    } catch (const std::exception&) {
    }
  }
  return ports;
}

void TDeviceEngine::ListCandidatePorts() {
  PortList.clear();  // no stale list while the ports are tried
  PortList = CandidatePorts();
}

// Opens Port at Speed and asks for the version; the port stays open when the device answered.
bool TDeviceEngine::ProbePort(const std::string& Port, TBaudRate Speed, TDeviceInfo& Info) {
  if (comPort_->Connected()) comPort_->Close();
  comPort_->SetPort(Port);
  comPort_->SetBaudRate(Speed);
  front_.ShowDeviceNews({TNoticeId::SearchingPort, {comPort_->Port()}});
  OpenPort();
  front_.PumpEvents();
  // Only an answer to this probe may count, not a stale '8' from an earlier port or speed.
  rxBuffer_.clear();
  SendByte(protocol::CmdVersion);
  front_.PumpEvents();
  TDeviceInfo probe;
  WaitVersionReply(timeouts_.VersionWaitMs, probe);
  // Only the device's reply and nothing else: a port whose line carries other traffic is
  // another device, even when an '8' passes by.
  if (probe.Status != protocol::DeviceAnswered || rxBuffer_.size() != 3 || rxBuffer_[0] != char(protocol::ReplyVersion))
    return false;
  probe.Capacity = static_cast<int32_t>(probe.ReplyByte1) << protocol::CapacityShift;
  probe.DeviceName = DeviceDisplayName;
  probe.PortName = comPort_->Port();
  Info = probe;
  return true;
}

void TDeviceEngine::FindDevice(TDeviceInfo& Info) {
  Info.Status = 0;
  SearchProblem = {};
  front_.ShowDeviceNews({TNoticeId::Searching});
  ListCandidatePorts();
  if (PortList.empty()) return;

  // The most common reasons a plugged-in device is not found.
  std::optional<std::string> refused, busy;
  for (const std::string& entry : PortList) {
    for (const TBaudRate speed : SearchSpeeds) {
      if (cancel_) break;  // the user stopped the search: no more probes
      try {
        if (ProbePort(entry, speed, Info)) return;
      } catch (const EComPortExt& e) {
        const platform::TPortRefusal why = platform::PortRefusalOf(e.SystemErrorCode());
        if (why == platform::TPortRefusal::NoPermission && !refused) refused = comPort_->Port();
        if (why == platform::TPortRefusal::InUse && !busy) busy = comPort_->Port();
      } catch (const std::exception&) {
      }
    }
  }
  ClosePortQuietly();  // nothing found: the last port probed is another program's to use
  if (refused)
    SearchProblem = {TNoticeId::NoPermission, {*refused}};
  else if (busy)
    SearchProblem = BusyNotice(*busy, comPort_->Comm().DevicePath(*busy));
  front_.ShowDeviceNews(SearchProblem.Id == TNoticeId::None ? TNotice{TNoticeId::NoDevice} : SearchProblem);
}

TNotice TDeviceEngine::FoundNotice() const {
  return {TNoticeId::Found,
          {device_.DeviceName, device_.PortName, int64_t(device_.Capacity / 1048576),
           int64_t(device_.Capacity / protocol::SampleRate)}};
}

void TDeviceEngine::Search() {
  TDeviceInfo found;
  FindDevice(found);
  device_ = found;
  if (device_.Status != 0) front_.ShowDeviceNews(FoundNotice());
}

void TDeviceEngine::SearchDevice() {
  // A search started from the events that a search pumps would empty PortList under it.
  CheckThread();
  if (busy_) return;
  FlagScope busy(busy_);
  cancel_ = false;  // a cancel of an earlier upload does not stop this search
  DropDeadPort();
  Search();
}

// The port an earlier search left open lost its line (the device was unplugged, and may be
// back under the same name): closed, and the device counts as not found.
bool TDeviceEngine::DropDeadPort() {
  if (!comPort_->Connected() || !lineLost_) return false;
  ClosePortQuietly();
  device_ = TDeviceInfo();
  return true;
}

// ---- sound test ----

void TDeviceEngine::SoundTest(int Number) {
  CheckThread();
  if (busy_ || Number < 1 || Number > 4) return;
  FlagScope busy(busy_);
  cancel_ = false;
  // Only the device a search found may get the byte; any other port may belong to anything.
  if (DropDeadPort() || device_.Status == 0) Search();
  if (device_.Status == 0) return;  // the search said why in panel 2
  std::string failure;
  if (PlayOnFoundPort(Number, failure)) return;
  // The port died under the write, before its loss was seen: a replugged device is found again.
  Search();
  if (device_.Status == 0) return;
  if (!PlayOnFoundPort(Number, failure)) front_.ShowDeviceNews({TNoticeId::PlayFailed, {failure}});
}

bool TDeviceEngine::PlayOnFoundPort(int Number, std::string& Failure) {
  try {
    comPort_->SetPort(device_.PortName);
    if (!comPort_->Connected()) OpenPort();  // the search may have left it open
    SendByte(uint8_t(protocol::CmdPlayFirst + Number - 1));
    comPort_->Close();
    return true;
  } catch (const std::exception& e) {
    ClosePortQuietly();
    device_ = TDeviceInfo();
    Failure = e.what();
    return false;
  }
}

void TDeviceEngine::ForgetDevice() {
  CheckThread();
  if (busy_) return;  // a run finds the loss itself and ends as designed
  ClosePortQuietly();
  device_ = TDeviceInfo();
}

void TDeviceEngine::ClosePortQuietly() noexcept {
  try {
    comPort_->Close();
  } catch (const std::exception&) {
    // A vanished device may refuse the close; the port is closed on our side all the same.
  }
}
