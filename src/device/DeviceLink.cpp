// The device link: the receive buffer, the protocol's waits, the device search and the
// sound test.
#include <cerrno>
#include <optional>

#include "device/Engine.h"
#include "device/Protocol.h"
#include "platform/port_map.h"
#include "platform/ticks.h"

namespace {

const char* const DeviceDisplayName = "Vorel-30415 Sound Player";
const char* const SearchingText = "Searching device...";

constexpr TBaudRate SearchSpeeds[] = {br115200, br57600, br9600};

}  // namespace

TDeviceEngine::TDeviceEngine(TDeviceFrontEnd& FrontEnd, TEngineTimeouts Timeouts)
    : RxBuffer("#"), ComPort(std::make_unique<TComPort>()), front_(FrontEnd), timeouts_(Timeouts) {
  ComPort->OnRxChar = [this](TCustomComPort* Sender, int Count) { ComPortRxChar(Sender, Count); };
}

TDeviceEngine::~TDeviceEngine() = default;

void TDeviceEngine::SendByte(uint8_t Byte) { ComPort->Write(&Byte, 1); }

void TDeviceEngine::ComPortRxChar(TCustomComPort* Sender, int Count) {
  std::string received;
  Sender->ReadText(received, Count);
  RxBuffer += received;
}

// ---- waits ----

void TDeviceEngine::WaitTicks(uint32_t Milliseconds) {
  front_.PumpEventsUntil(platform::GetTickCount(), Milliseconds, [] { return false; });
}

void TDeviceEngine::WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info) {
  Info.Status = 0;
  Info.ReplyByte2 = 0;
  Info.ReplyByte1 = 0;
  const uint32_t start = platform::GetTickCount();
  // The first '8' stays the first while bytes are appended, so a recognised reply holds.
  const auto look = [this, &Info] {
    const auto p = RxBuffer.find(char(protocol::ReplyVersion));
    if (p != std::string::npos && RxBuffer.size() >= p + 3) {
      Info.Status = protocol::DeviceAnswered;
      Info.ReplyByte1 = static_cast<uint8_t>(RxBuffer[p + 1]);
      Info.ReplyByte2 = static_cast<uint8_t>(RxBuffer[p + 2]);
    }
    return false;  // the wait always lasts its whole time
  };
  if (platform::TicksSince(start) >= Milliseconds) return;
  look();
  front_.PumpEventsUntil(start, Milliseconds, look);
  // The last pump may have run up to the deadline; what it delivered arrived in time.
  look();
}

bool TDeviceEngine::WaitForByte(uint32_t Milliseconds, uint8_t Value) {
  return front_.PumpEventsUntil(platform::GetTickCount(), Milliseconds,
                                [this, Value] { return RxBuffer.find(static_cast<char>(Value)) != std::string::npos; });
}

// ---- search ----

void TDeviceEngine::ListCandidatePorts() {
  PortList.clear();
  if (!OnlyPorts.empty()) {
    PortList = OnlyPorts;
    return;
  }
  if (const auto map = platform::ReadPortMap()) {
    for (const auto& value : *map) PortList.push_back(value.Data);
    return;
  }
  // No map: every port name that opens is a candidate.
  for (int n = 1; n <= 255; ++n) {
    try {
      if (ComPort->Connected()) ComPort->Close();
      ComPort->SetPort("COM" + std::to_string(n));
      ComPort->Open();
      PortList.push_back(ComPort->Port());
      ComPort->Close();
      front_.PumpEvents();
    } catch (const std::exception&) {
    }
  }
}

// Opens Port at Speed and asks for the version; the port stays open when the device answered.
bool TDeviceEngine::ProbePort(const std::string& Port, TBaudRate Speed, TDeviceInfo& Info) {
  if (ComPort->Connected()) ComPort->Close();
  ComPort->SetPort(Port);
  ComPort->SetBaudRate(Speed);
  front_.ShowPanelText(2, std::string(SearchingText) + " " + ComPort->Port());
  ComPort->Open();
  front_.PumpEvents();
  // Only an answer to this probe may count, not a stale '8' from an earlier port or speed.
  RxBuffer.clear();
  SendByte(protocol::CmdVersion);
  front_.PumpEvents();
  TDeviceInfo probe;
  WaitVersionReply(timeouts_.VersionWaitMs, probe);
  if (probe.Status != protocol::DeviceAnswered) return false;
  probe.Capacity = static_cast<int32_t>(probe.ReplyByte1) << protocol::CapacityShift;
  probe.DeviceName = DeviceDisplayName;
  probe.PortName = ComPort->Port();
  Info = probe;
  return true;
}

void TDeviceEngine::FindDevice(TDeviceInfo& Info) {
  Info.Status = 0;
  front_.ShowPanelText(2, SearchingText);
  ListCandidatePorts();
  if (PortList.empty()) return;

  // The most common reason a plugged-in device is not found on Linux.
  std::optional<std::string> refused;
  for (const std::string& entry : PortList) {
    for (const TBaudRate speed : SearchSpeeds) {
      try {
        if (ProbePort(entry, speed, Info)) return;
      } catch (const EComPortExt& e) {
        if (e.SystemErrorCode() == EACCES && !refused) refused = ComPort->Port();
      } catch (const std::exception&) {
      }
    }
  }
  if (refused)
    front_.ShowPanelText(2, "No permission to open " + *refused + ": add your user to the dialout group");
  else
    front_.ShowPanelText(2, std::string());
}

std::string TDeviceEngine::FoundText() const {
  return Device.DeviceName + " found on " + Device.PortName + " (" + std::to_string(Device.Capacity / 1048576) +
         " MB / " + std::to_string(Device.Capacity / protocol::SampleRate) + " sec)";
}

void TDeviceEngine::Search() {
  TDeviceInfo found;
  FindDevice(found);
  Device = found;
  if (Device.Status != 0) front_.ShowPanelText(2, FoundText());
}

void TDeviceEngine::SearchDevice() {
  // A search started from the events that a search pumps would empty PortList under it.
  if (busy_) return;
  TBusyScope busy(*this);
  Search();
}

// ---- sound test ----

void TDeviceEngine::SoundTest(int Number) {
  if (busy_ || Number < 1 || Number > 4) return;
  TBusyScope busy(*this);
  if (PortList.empty()) Search();
  try {
    if (ComPort->Port().empty()) return;
    ComPort->Open();  // nothing happens when the search left it open
    if (!ComPort->Connected()) return;
    SendByte(uint8_t(protocol::CmdPlayFirst + Number - 1));
    ComPort->Close();
  } catch (const std::exception&) {
  }
}
