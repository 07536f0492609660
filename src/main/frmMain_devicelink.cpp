// The device link: the receive buffer, the protocol's waits, the device search and the
// sound test. Everything here runs on the UI thread.
#include <QAction>
#include <QString>
#include <cerrno>
#include <optional>

#include "main/EventPump.h"
#include "main/frmMain.h"
#include "platform/port_map.h"
#include "platform/ticks.h"
#include "serial/CPort.h"
#include "toolkit/qt_wakeup.h"

std::string RxBuffer;

namespace {

constexpr char CmdVersion = 'V';
constexpr char ReplyVersion = '8';
constexpr uint8_t DeviceAnswered = 56;  // '8'
constexpr int CapacityShift = 17;       // the reply counts 128 KiB units
constexpr uint32_t VersionWaitMs = 500;
const char* const DeviceDisplayName = "Vorel-30415 Sound Player";
const char* const SearchingText = "Searching device...";

constexpr TBaudRate SearchSpeeds[] = {br115200, br57600, br9600};

// Holds a flag for the length of a scope, also when the scope is left by an error.
class FlagScope {
 public:
  explicit FlagScope(bool& Flag) : Flag_(Flag) { Flag_ = true; }
  ~FlagScope() { Flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& Flag_;
};

QString PortText(const std::string& Port) { return QString::fromStdString(Port); }

void SendByte(TComPort& Port, uint8_t Byte) { Port.Write(&Byte, 1); }

}  // namespace

// ---- objects ----

void TForm1::CreateDeviceLink() {
  // Received bytes reach the UI thread through synchronised calls; the pumps must run them.
  InstallQtWakeup();
  ComPort = std::make_unique<TComPort>();
  ComPort->OnRxChar = [this](TCustomComPort* Sender, int Count) { ComPortRxChar(Sender, Count); };
  PortList = std::make_unique<QStringList>();
  RxBuffer = "#";
}

void TForm1::FreePortList() { PortList.reset(); }

void TForm1::FreeComPort() { ComPort.reset(); }

void TForm1::ComPortRxChar(TCustomComPort* Sender, int Count) {
  std::string received;
  Sender->ReadText(received, Count);
  RxBuffer += received;
}

// ---- waits ----

void TForm1::WaitTicks(uint32_t Milliseconds) {
  PumpEventsUntil(platform::GetTickCount(), Milliseconds, [] { return false; });
}

void TForm1::WaitVersionReply(uint32_t Milliseconds, TDeviceInfo& Info) {
  Info.Status = 0;
  Info.ReplyByte2 = 0;
  Info.ReplyByte1 = 0;
  const uint32_t start = platform::GetTickCount();
  // The first '8' stays the first while bytes are appended, so a recognised reply holds.
  const auto look = [&Info] {
    const auto p = RxBuffer.find(ReplyVersion);
    if (p != std::string::npos && RxBuffer.size() >= p + 3) {
      Info.Status = DeviceAnswered;
      Info.ReplyByte1 = static_cast<uint8_t>(RxBuffer[p + 1]);
      Info.ReplyByte2 = static_cast<uint8_t>(RxBuffer[p + 2]);
    }
    return false;  // the wait always lasts its whole time
  };
  if (platform::TicksSince(start) >= Milliseconds) return;
  look();
  PumpEventsUntil(start, Milliseconds, look);
  // The last pump may have run up to the deadline; what it delivered arrived in time.
  look();
}

bool TForm1::WaitForByte(uint32_t Milliseconds, uint8_t Value) {
  return PumpEventsUntil(platform::GetTickCount(), Milliseconds,
                         [Value] { return RxBuffer.find(static_cast<char>(Value)) != std::string::npos; });
}

// ---- search ----

void TForm1::FindDevice(TDeviceInfo& Info) {
  Info.Status = 0;
  SetPanelText(2, SearchingText);
  PortList->clear();

  if (const auto map = platform::ReadPortMap()) {
    for (const auto& value : *map) PortList->append(QString::fromStdString(value.Data));
  } else {
    // No map: every port name that opens is a candidate.
    for (int n = 1; n <= 255; ++n) {
      try {
        if (ComPort->Connected()) ComPort->Close();
        ComPort->SetPort("COM" + std::to_string(n));
        ComPort->Open();
        PortList->append(PortText(ComPort->Port()));
        ComPort->Close();
        PumpEvents();
      } catch (const std::exception&) {
      }
    }
  }
  if (PortList->isEmpty()) return;

  // The most common reason a plugged-in device is not found on Linux.
  std::optional<std::string> refused;
  const qsizetype count = PortList->size();
  for (qsizetype i = 0; i < count; ++i) {
    const std::string entry = PortList->at(i).toStdString();
    for (const TBaudRate speed : SearchSpeeds) {
      if (ComPort->Connected()) ComPort->Close();
      ComPort->SetPort(entry);
      ComPort->SetBaudRate(speed);
      try {
        SetPanelText(2, QString(SearchingText) + " " + PortText(ComPort->Port()));
        ComPort->Open();
        PumpEvents();
        // Only an answer to this probe may count, not a stale '8' from an earlier port or speed.
        RxBuffer.clear();
        SendByte(*ComPort, CmdVersion);
        PumpEvents();
        TDeviceInfo probe;
        WaitVersionReply(VersionWaitMs, probe);
        if (probe.Status == DeviceAnswered) {
          probe.Capacity = static_cast<int32_t>(probe.ReplyByte1) << CapacityShift;
          probe.DeviceName = DeviceDisplayName;
          probe.PortName = PortText(ComPort->Port());
          Info = probe;
          return;
        }
      } catch (const EComPortExt& e) {
        if (e.SystemErrorCode() == EACCES && !refused) refused = ComPort->Port();
      } catch (const std::exception&) {
      }
    }
  }
  if (refused)
    SetPanelText(2, "No permission to open " + PortText(*refused) + ": add your user to the dialout group");
  else
    SetPanelText(2, QString());
}

void TForm1::Searchdevice1Click(QObject* /*Sender*/) {
  // A search started from the events that a search pumps would empty PortList under it.
  if (SearchRunning) return;
  FlagScope running(SearchRunning);
  TDeviceInfo found;
  FindDevice(found);
  Device = found;
  if (Device.Status != 0) {
    SetPanelText(2, QStringLiteral("%1 found on %2 (%3 MB / %4 sec)")
                        .arg(Device.DeviceName, Device.PortName)
                        .arg(Device.Capacity / 1048576)
                        .arg(Device.Capacity / 44100));
  }
}

// ---- sound test ----

void TForm1::Sound41Click(QObject* Sender) {
  if (SearchRunning || UploadRunning) return;
  const auto* item = qobject_cast<QAction*>(Sender);
  const int tag = item ? item->data().toInt() : 0;
  if (tag < 1 || tag > 4) return;

  if (PortList->isEmpty()) Searchdevice1Click(this);
  try {
    if (ComPort->Port().empty()) return;
    ComPort->Open();  // nothing happens when the search left it open
    if (!ComPort->Connected()) return;
    SendByte(*ComPort, static_cast<uint8_t>('0' + tag));
    ComPort->Close();
  } catch (const std::exception&) {
  }
}
