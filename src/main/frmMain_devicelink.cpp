// Placeholder until the device link lands: only what the window's lifecycle needs.
#include "main/frmMain.h"
#include "serial/CPort.h"

std::string RxBuffer;

void TForm1::CreateDeviceLink() {
  ComPort = std::make_unique<TComPort>();
  PortList = std::make_unique<QStringList>();
  RxBuffer = "#";
}
void TForm1::FreePortList() { PortList.reset(); }
void TForm1::FreeComPort() { ComPort.reset(); }
void TForm1::ComPortRxChar(TCustomComPort*, int) {}
void TForm1::WaitTicks(uint32_t) {}
void TForm1::WaitVersionReply(uint32_t, TDeviceInfo&) {}
bool TForm1::WaitForByte(uint32_t, uint8_t) { return false; }
void TForm1::FindDevice(TDeviceInfo& Info) { Info.Status = 0; }
void TForm1::Searchdevice1Click(QObject*) {}
void TForm1::Sound41Click(QObject*) {}
