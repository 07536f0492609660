#include "platform/port_identity.h"

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/port_map_env.h"
#include "platform/sysfs_tty_posix.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::string ReadLine(const fs::path& File) {
  std::ifstream in(File);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

std::string Canonical(const std::string& Path) {
  std::error_code ec;
  const fs::path p = fs::canonical(Path, ec);
  return ec ? Path : p.string();
}

// The USB device a sysfs folder hangs off: the nearest folder above with a vendor id.
std::string UsbDeviceDir(fs::path Dir) {
  for (int up = 0; up < 8 && Dir.has_relative_path(); ++up, Dir = Dir.parent_path())
    if (fs::exists(Dir / "idVendor")) return Dir.string();
  return {};
}

void ReadUsb(const std::string& UsbDir, TPortIdentity& Id) {
  if (UsbDir.empty()) return;
  const fs::path d = UsbDir;
  Id.VendorId = ReadLine(d / "idVendor");
  Id.ProductId = ReadLine(d / "idProduct");
  Id.Manufacturer = ReadLine(d / "manufacturer");
  Id.Product = ReadLine(d / "product");
  Id.SerialNumber = ReadLine(d / "serial");
  Id.UsbPath = d.filename().string();
}

// udev's links to the node: the names that survive a replug.
std::vector<std::string> StableNamesOf(const std::string& DevPath) {
  std::vector<std::string> names;
  const std::string node = Canonical(DevPath);
  for (const char* kind : {"by-id", "by-path"}) {
    std::error_code ec;
    std::set<std::string> sorted;
    for (const auto& e : fs::directory_iterator(fs::path(DevDir()) / "serial" / kind, ec))
      if (Canonical(e.path().string()) == node) sorted.insert(e.path().string());
    names.insert(names.end(), sorted.begin(), sorted.end());
  }
  return names;
}

TPortIdentity IdentityOfTty(const TSysfsTty& Tty) {
  TPortIdentity id;
  id.Driver = Tty.Driver;
  ReadUsb(UsbDeviceDir(Tty.DeviceDir), id);
  id.StableNames = StableNamesOf(Tty.DevPath);
  return id;
}

const TSysfsTty* FindTty(const std::vector<TSysfsTty>& Ttys, const TPortMapValue& Value) {
  const std::string node = Canonical(Value.Data);
  for (const TSysfsTty& t : Ttys)
    if (t.DeviceDir == Value.Name || t.DevPath == Value.Data || Canonical(t.DevPath) == node) return &t;
  return nullptr;
}

// ---- adapters without a port ----

bool IsBridgeVendor(const std::string& Vendor) {
  return Vendor == "0403" || Vendor == "1a86" || Vendor == "10c4" || Vendor == "067b";
}

bool HasCdcInterface(const fs::path& UsbDir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(UsbDir, ec))
    if (e.path().filename().string().find(':') != std::string::npos &&
        ReadLine(e.path() / "bInterfaceClass") == "02")
      return true;
  return false;
}

std::string NoLeadingZeros(std::string Hex) {
  while (Hex.size() > 1 && Hex[0] == '0') Hex.erase(0, 1);
  return Hex;
}

std::vector<std::string> RuleFolders() {
  const char* env = std::getenv("KESTRILO_UDEV_RULES");
  std::string list = env ? env : "/etc/udev/rules.d:/run/udev/rules.d:/usr/lib/udev/rules.d:/lib/udev/rules.d";
  std::vector<std::string> dirs;
  for (size_t start = 0, end; start <= list.size(); start = end + 1) {
    end = std::min(list.find(':', start), list.size());
    if (end > start) dirs.push_back(list.substr(start, end - start));
  }
  return dirs;
}

// brltty's rules name each braille display by udev's PRODUCT key, "vid/pid/*" in hex
// without leading zeros; a commented-out line takes nothing.
std::string BrlttyRuleFor(const TPortIdentity& Id) {
  const std::string key = "ENV{PRODUCT}==\"" + NoLeadingZeros(Id.VendorId) + "/" + NoLeadingZeros(Id.ProductId) + "/";
  for (const std::string& dir : RuleFolders()) {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
      if (e.path().filename().string().find("brltty") == std::string::npos) continue;
      std::ifstream in(e.path());
      for (std::string line; std::getline(in, line);) {
        const auto first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line[first] != '#' && line.find(key) != std::string::npos)
          return e.path().string();
      }
    }
  }
  return {};
}

void AddAdaptersWithoutPort(const std::set<std::string>& WithPort, std::vector<TSurveyedPort>& Survey) {
  std::error_code ec;
  std::set<fs::path> devices;
  for (const auto& e : fs::directory_iterator(fs::path(SysfsRoot()) / "bus/usb/devices", ec))
    if (fs::exists(e.path() / "idVendor")) devices.insert(e.path());
  for (const fs::path& d : devices) {
    const std::string dir = Canonical(d.string());
    if (WithPort.count(dir)) continue;
    TSurveyedPort s{dir, {}, TSkipReason::NoTty, {}};
    ReadUsb(dir, s.Identity);
    if (!IsBridgeVendor(s.Identity.VendorId) && !HasCdcInterface(dir)) continue;
    s.BrlttyRule = BrlttyRuleFor(s.Identity);
    Survey.push_back(s);
  }
}

}  // namespace

TPortIdentity IdentityOf(const TPortMapValue& Value) {
  if (const auto ttys = ReadSysfsTtys())
    if (const TSysfsTty* t = FindTty(*ttys, Value)) return IdentityOfTty(*t);
  TPortIdentity id;
  id.StableNames = StableNamesOf(Value.Data);
  return id;
}

std::vector<TSurveyedPort> SurveyPorts() {
  const auto map = ReadPortMap();
  if (!map) return {};
  const auto ttys = ReadSysfsTtys().value_or(std::vector<TSysfsTty>{});
  std::vector<TSurveyedPort> survey;
  std::set<std::string> withPort;
  for (const TSysfsTty& t : ttys) withPort.insert(UsbDeviceDir(t.DeviceDir));
  for (const TPortMapValue& v : *map) {
    const TSysfsTty* t = FindTty(ttys, v);
    survey.push_back({v.Data, t ? IdentityOfTty(*t) : IdentityOf(v), TSkipReason::None, {}});
  }
  if (PortsFromEnvironment()) return survey;  // the list given is the whole map
  for (const TSysfsTty& t : ttys)
    if (t.Phantom) survey.push_back({t.DevPath, IdentityOfTty(t), TSkipReason::PhantomUart, {}});
  AddAdaptersWithoutPort(withPort, survey);
  return survey;
}

}  // namespace platform
