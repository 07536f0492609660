#pragma once
// What the system knows about each serial port beside its name: the USB adapter behind it,
// its driver and its stable names. And the ports a search skips, with the reason. Reading
// never opens a port for transfer and never changes anything.
#include <string>
#include <vector>

#include "platform/port_map.h"

namespace platform {

struct TPortIdentity {
  std::string VendorId, ProductId;  // four lower-case hex digits each; empty: not on USB
  std::string Manufacturer, Product, SerialNumber;
  std::string Driver;                    // ftdi_sio, ch341, cp210x, pl2303, cdc_acm, serial8250...
  std::string UsbPath;                   // the adapter's place on the bus ("1-2.3"): one per socket
  std::vector<std::string> StableNames;  // /dev/serial/by-id/... and by-path/...
  std::string FriendlyName, HardwareId;  // what Windows' device manager shows
  bool IsUsb() const { return !VendorId.empty(); }
};

// "FTDI FT232R USB UART (A50285BI)": maker and product, the serial number in brackets;
// the ids when the adapter names nothing; empty for a port that is not on USB.
std::string DescribeAdapter(const TPortIdentity& Identity);

enum class TSkipReason {
  None,          // the search probes it
  PhantomUart,   // the 8250 driver lists it, but no UART answers there
  NoTty,         // a USB serial adapter on the bus without a serial port
};

struct TSurveyedPort {
  std::string Port;  // the path to open; for NoTty the adapter's sysfs folder
  TPortIdentity Identity;
  TSkipReason Skip = TSkipReason::None;
  std::string BrlttyRule;  // NoTty: the udev rules file of brltty that takes the adapter
};

// Every port of the port map, in its order, each with its identity; then (Linux) the ports
// the map leaves out that a user may be looking for: phantom UARTs and USB serial adapters
// that have no serial port. KESTRILO_PORTS set: that list alone, identified where sysfs
// knows the ports. KESTRILO_UDEV_RULES (colon-separated folders) in place of udev's rule
// folders. Empty when the map cannot be read.
std::vector<TSurveyedPort> SurveyPorts();

// The identity of the port a map value names.
TPortIdentity IdentityOf(const TPortMapValue& Value);

}  // namespace platform
