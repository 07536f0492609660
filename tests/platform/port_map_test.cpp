// The port map read from folders of the test's own: never the machine's real ports.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>

#include <filesystem>
#include <fstream>

#include "platform/low_latency_posix.h"
#include "platform/port_map.h"
#include "support/pty.h"

namespace fs = std::filesystem;
using platform::TPortMapValue;
using platform::ReadPortMap;

namespace {

class Env {
 public:
  Env(const char* Name, const std::string& Value) : Name_(Name) {
    if (const char* old = getenv(Name)) Old_ = old;
    setenv(Name, Value.c_str(), 1);
  }
  ~Env() {
    if (Old_)
      setenv(Name_, Old_->c_str(), 1);
    else
      unsetenv(Name_);
  }

 private:
  const char* Name_;
  std::optional<std::string> Old_;
};

class UnsetEnv {
 public:
  explicit UnsetEnv(const char* Name) : Name_(Name) {
    if (const char* old = getenv(Name)) Old_ = old;
    unsetenv(Name);
  }
  ~UnsetEnv() {
    if (Old_) setenv(Name_, Old_->c_str(), 1);
  }

 private:
  const char* Name_;
  std::optional<std::string> Old_;
};

// A sysfs-like tty folder: class entries link into a device tree whose devices link to drivers.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/kestrilo-portmap-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root = tmpl;
    fs::create_directories(root / "class/tty");
    fs::create_directories(root / "drivers/cdc_acm");
    fs::create_directories(root / "drivers/serial8250");
    fs::create_directories(root / "drivers/ftdi_sio");
    fs::create_directories(root / "drivers/port");
    fs::create_directories(root / "dev");
  }
  void TearDown() override { fs::remove_all(root); }

  // Name a tty; Driver "" gives a device without a driver, nullptr no device link at all.
  void AddTty(const std::string& Name, const char* Driver, const char* Bus = "platform") {
    const fs::path cls = root / "class/tty" / Name;
    fs::create_directories(cls);
    if (!Driver) return;
    const fs::path dev = root / "devices" / ("dev-" + Name);
    fs::create_directories(dev);
    fs::create_directory_symlink(dev, cls / "device");
    if (*Driver) fs::create_directory_symlink(root / "drivers" / Driver, dev / "driver");
    fs::create_directories(root / "bus" / Bus);
    fs::create_directory_symlink(root / "bus" / Bus, dev / "subsystem");
  }

  fs::path root;
};

std::vector<std::string> Data(const std::vector<TPortMapValue>& Map) {
  std::vector<std::string> out;
  for (auto& v : Map) out.push_back(v.Data);
  return out;
}

}  // namespace

TEST_F(FakeSysfs, KeepsDrivenDevicesInNameOrderThenTheExtraPorts) {
  UnsetEnv ports("KESTRILO_PORTS");
  Env tty("KESTRILO_SYSFS_TTY", root / "class/tty");
  Env dev("KESTRILO_DEV_DIR", root / "dev");
  Env extra("KESTRILO_EXTRA_PORTS", "/tmp/sim-a::/tmp/sim-b");
  AddTty("ttyUSB0", "ftdi_sio");
  AddTty("tty0", nullptr);          // a virtual terminal: no device
  AddTty("ttyACM0", "cdc_acm");
  AddTty("ttyACM1", "");            // unbound
  AddTty("console", nullptr);

  const auto map = ReadPortMap();
  ASSERT_TRUE(map.has_value());
  const std::string d = (root / "dev").string();
  EXPECT_EQ(Data(*map), (std::vector<std::string>{d + "/ttyACM0", d + "/ttyUSB0", "/tmp/sim-a", "/tmp/sim-b"}));
  // The name of a sysfs value is the device's own path, so two ports never share one.
  EXPECT_EQ((*map)[0].Name, fs::canonical(root / "devices/dev-ttyACM0").string());
  EXPECT_EQ((*map)[2].Name, "/tmp/sim-a");
}

TEST_F(FakeSysfs, Drops8250PortsWithoutARealUart) {
  UnsetEnv ports("KESTRILO_PORTS");
  UnsetEnv extra("KESTRILO_EXTRA_PORTS");
  Env tty("KESTRILO_SYSFS_TTY", root / "class/tty");
  Env dev("KESTRILO_DEV_DIR", root / "dev");
  // A pseudo-terminal has no UART type to report; a missing node cannot even be asked.
  testpty::Pty pty;
  fs::create_symlink(pty.Path(), root / "dev/ttyS0");
  fs::create_symlink(pty.Path(), root / "dev/ttyS4");
  AddTty("ttyS0", "serial8250");
  AddTty("ttyS1", "serial8250");
  AddTty("ttyS4", "port", "serial-base");  // the same ports as newer kernels show them
  AddTty("ttyUSB3", "ftdi_sio", "usb-serial");
  fs::create_symlink(pty.Path(), root / "dev/ttyACM2");
  AddTty("ttyACM2", "cdc_acm", "usb");  // reports no UART type, and needs none

  const auto map = ReadPortMap();
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(Data(*map), (std::vector<std::string>{(root / "dev/ttyACM2").string(), (root / "dev/ttyUSB3").string()}));
}

TEST_F(FakeSysfs, AnEmptyTtyFolderGivesOnlyTheExtraPorts) {
  UnsetEnv ports("KESTRILO_PORTS");
  Env tty("KESTRILO_SYSFS_TTY", root / "class/tty");
  Env extra("KESTRILO_EXTRA_PORTS", "/dev/pts/77");
  const auto map = ReadPortMap();
  ASSERT_TRUE(map.has_value());
  EXPECT_EQ(Data(*map), (std::vector<std::string>{"/dev/pts/77"}));
}

TEST_F(FakeSysfs, AnUnreadableTtyFolderCannotBeOpened) {
  UnsetEnv ports("KESTRILO_PORTS");
  Env extra("KESTRILO_EXTRA_PORTS", "/dev/pts/77");
  {
    Env tty("KESTRILO_SYSFS_TTY", root / "no-such-folder");
    EXPECT_FALSE(ReadPortMap().has_value());
  }
  if (geteuid() != 0) {  // root reads a folder whatever its mode
    AddTty("ttyACM0", "cdc_acm");
    chmod((root / "class/tty").c_str(), 0);
    Env tty("KESTRILO_SYSFS_TTY", root / "class/tty");
    EXPECT_FALSE(ReadPortMap().has_value());
    chmod((root / "class/tty").c_str(), 0755);
  }
}

TEST_F(FakeSysfs, KestriloPortsIsTheWholeMap) {
  Env tty("KESTRILO_SYSFS_TTY", root / "no-such-folder");  // would fail if it were read
  Env extra("KESTRILO_EXTRA_PORTS", "/dev/pts/77");
  {
    Env ports("KESTRILO_PORTS", "/tmp/p1:/tmp/p2");
    const auto map = ReadPortMap();
    ASSERT_TRUE(map.has_value());
    EXPECT_EQ(Data(*map), (std::vector<std::string>{"/tmp/p1", "/tmp/p2"}));
  }
  {
    Env ports("KESTRILO_PORTS", "");  // set but empty: a map without values
    const auto map = ReadPortMap();
    ASSERT_TRUE(map.has_value());
    EXPECT_TRUE(map->empty());
  }
}

TEST_F(FakeSysfs, ReadingChangesNothingOnTheListedPorts) {
  UnsetEnv ports("KESTRILO_PORTS");
  UnsetEnv extra("KESTRILO_EXTRA_PORTS");
  Env tty("KESTRILO_SYSFS_TTY", root / "class/tty");
  Env dev("KESTRILO_DEV_DIR", root / "dev");
  testpty::Pty pty(/*Raw=*/false);  // the system's settings, which a port's set-up would change
  termios before{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &before), 0);
  fs::create_symlink(pty.Path(), root / "dev/ttyS0");
  AddTty("ttyS0", "serial8250");
  ASSERT_TRUE(ReadPortMap().has_value());
  termios after{};
  ASSERT_EQ(tcgetattr(pty.Slave(), &after), 0);
  EXPECT_EQ(cfgetispeed(&before), cfgetispeed(&after));
  EXPECT_EQ(before.c_cflag, after.c_cflag);
  EXPECT_EQ(before.c_lflag, after.c_lflag);
}

// A pseudo-terminal has no serial driver to ask for low latency: the refusal changes nothing.
TEST(LowLatency, ARefusingDriverIsLeftAsItWas) {
  testpty::Pty pty;
  const termios before = pty.Attributes();
  platform::TLowLatency latency(pty.Slave());
  EXPECT_FALSE(latency.Changed());
  latency.Restore();
  EXPECT_EQ(before.c_cflag, pty.Attributes().c_cflag);
  ASSERT_EQ(testpty::WriteAll(pty.Slave(), "V"), 0);
  EXPECT_EQ(pty.Receive(1), "V");
}
