#pragma once
// A machine's serial ports as sysfs, udev and /dev show them, built in a folder of the test's
// own: USB adapters with and without a tty, phantom UARTs, stable names, brltty's rules.
// The environment points the program at it while the tree lives.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace testsys {

namespace fs = std::filesystem;

// Sets a variable for the object's life.
class EnvVar {
 public:
  EnvVar(const char* Name, const std::optional<std::string>& Value) : name_(Name) {
    if (const char* old = getenv(Name)) old_ = old;
    if (Value) setenv(Name, Value->c_str(), 1); else unsetenv(Name);
  }
  ~EnvVar() {
    if (old_) setenv(name_, old_->c_str(), 1); else unsetenv(name_);
  }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

struct UsbAdapter {
  std::string BusPath, Vendor, Product, Maker, Name, Serial, Driver;
  std::string Tty;  // empty: on the bus without a port
};

class FakeTree {
 public:
  FakeTree() {
    for (const fs::path& p : {tty, dev / "serial/by-id", usb, rules, root / "sys/drivers"}) fs::create_directories(p);
  }
  ~FakeTree() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  FakeTree(const FakeTree&) = delete;
  FakeTree& operator=(const FakeTree&) = delete;

  // The tree in place of the machine's, read by this process and the programs it starts.
  std::vector<std::pair<const char*, std::optional<std::string>>> Environment() const {
    return {{"KESTRILO_PORTS", std::nullopt}, {"KESTRILO_EXTRA_PORTS", std::nullopt},
            {"KESTRILO_SYSFS_TTY", tty.string()}, {"KESTRILO_DEV_DIR", dev.string()},
            {"KESTRILO_UDEV_RULES", rules.string()}};
  }

  // The adapter's USB device and interface; its tty (when it has one) linked to Node.
  void AddUsb(const UsbAdapter& A, const std::string& Node = {}) {
    const fs::path device = root / "sys/devices/usb1" / A.BusPath;
    const fs::path iface = device / (A.BusPath + ":1.0");
    fs::create_directories(iface);
    Write(device / "idVendor", A.Vendor);
    Write(device / "idProduct", A.Product);
    if (!A.Maker.empty()) Write(device / "manufacturer", A.Maker);
    if (!A.Name.empty()) Write(device / "product", A.Name);
    if (!A.Serial.empty()) Write(device / "serial", A.Serial);
    Write(iface / "bInterfaceClass", A.Driver == "cdc_acm" ? "02" : "ff");
    fs::create_directory_symlink(device, usb / A.BusPath);
    if (!A.Tty.empty()) AddTty(A.Tty, iface / A.Tty, A.Driver, Node);
  }
  // A tty of Driver whose sysfs device is Device.
  void AddTty(const std::string& Name, const fs::path& Device, const std::string& Driver, const std::string& Node) {
    fs::create_directories(Device);
    fs::create_directories(root / "sys/drivers" / Driver);
    fs::create_directory_symlink(root / "sys/drivers" / Driver, Device / "driver");
    fs::create_directories(tty / Name);
    fs::create_directory_symlink(Device, tty / Name / "device");
    if (!Node.empty()) fs::create_symlink(Node, dev / Name);
  }
  void RemoveTty(const std::string& Name) {
    fs::remove_all(tty / Name);
    fs::remove(dev / Name);
  }
  void AddById(const std::string& Name, const std::string& Tty) {
    fs::create_symlink("../../" + Tty, dev / "serial/by-id" / Name);
  }
  static void Write(const fs::path& File, const std::string& Text) { std::ofstream(File) << Text << "\n"; }

  static fs::path MakeRoot() {
    char tmpl[] = "/tmp/kestrilo-tree-XXXXXX";
    return mkdtemp(tmpl);
  }
  fs::path root = MakeRoot();
  fs::path tty = root / "sys/class/tty", dev = root / "dev", usb = root / "sys/bus/usb/devices",
           rules = root / "rules.d";
};

// A pseudo-terminal that nobody holds: only its master is open.
class FreePty {
 public:
  FreePty() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    grantpt(master_);
    unlockpt(master_);
    path_ = ptsname(master_);
  }
  ~FreePty() { ::close(master_); }
  FreePty(const FreePty&) = delete;
  FreePty& operator=(const FreePty&) = delete;
  const std::string& Path() const { return path_; }

 private:
  int master_;
  std::string path_;
};

}  // namespace testsys
