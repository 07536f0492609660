// kestrilo-cli ports and --port usb:... on a fake machine: five adapters, each in its own trap.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include "cli_run.h"
#include "support/fake_sysfs.h"
#include "support/pty.h"

using clitest::TCliRig;
using testsys::FakeTree;

namespace {

// A program named ModemManager that holds Node open, as ModemManager does while it probes.
class FakeModemManager {
 public:
  FakeModemManager(const FakeTree& Tree, const std::string& Node) {
    const auto exe = Tree.root / "ModemManager";
    std::filesystem::copy_file("/bin/sleep", exe);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, Node.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK, 0);
    char* argv[] = {const_cast<char*>("ModemManager"), const_cast<char*>("120"), nullptr};
    posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~FakeModemManager() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
};

class CliPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [name, value] : tree.Environment()) env.push_back(std::make_unique<testsys::EnvVar>(name, value));
    tree.AddUsb({"1-1", "1a86", "7523", "", "USB Serial", "", "ch341", "ttyUSB0"}, freeNode.Path());
    tree.AddUsb({"1-2", "1a86", "7523", "", "USB Serial", "", "ch341", ""});
    tree.AddUsb({"1-3", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI", "ftdi_sio", "ttyUSB1"}, sim.SlavePath());
    tree.AddById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB1");
    tree.AddUsb({"1-4", "2341", "0043", "Arduino", "Uno", "7523031", "cdc_acm", "ttyACM0"}, probed.Path());
    tree.AddTty("ttyS3", tree.root / "sys/devices/platform/serial8250/ttyS3", "serial8250", "");
    FakeTree::Write(tree.rules / "85-brltty.rules", "# ENV{PRODUCT}==\"403/6001/*\", GOTO=\"x\"\n"
                                                   "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"");
  }

  FakeTree tree;
  std::vector<std::unique_ptr<testsys::EnvVar>> env;
  testsys::FreePty freeNode;
  testsys::FreePty probed;
  devsim::Simulator sim{fixtures::QuickDevice()};
  TCliRig rig;
};

TEST_F(CliPorts, ListsEachPortWithItsAdapterStateAndFix) {
  const FakeModemManager mm(tree, probed.Path());
  const auto text = rig.Run({"ports"});
  ASSERT_EQ(text.status, 0) << text.output;
  std::printf("%s", text.output.c_str());  // the listing, for the record
  const std::string dev = tree.dev.string();
  for (const std::string& line :
       {dev + "/ttyACM0: being probed by ModemManager\n    Arduino Uno (7523031), USB 2341:0043 at 1-4, driver cdc_acm\n",
        dev + "/ttyUSB0: free\n    USB Serial, USB 1a86:7523 at 1-1, driver ch341\n",
        dev + "/ttyUSB1: in use by cli_test\n    FTDI FT232R USB UART (A50285BI), USB 0403:6001 at 1-3, driver "
              "ftdi_sio\n    " + dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0\n",
        dev + "/ttyS3: a phantom UART, not searched\n    driver serial8250\n",
        "USB 1-2: claimed by brltty\n    USB Serial, USB 1a86:7523 at 1-2\n    The adapter is on the USB bus but has no "
        "serial port: brltty's rules (" + (tree.rules / "85-brltty.rules").string() + ")"})
    EXPECT_TRUE(text.Says(line)) << line;
  EXPECT_TRUE(text.Says("sudo systemctl mask brltty-udev.service")) << text.output;
  EXPECT_LT(text.output.find("ttyUSB1"), text.output.find("ttyS3"));  // probed ports first

  const auto json = rig.Run({"--json", "ports"});
  const auto ports = json.Of("port");
  ASSERT_EQ(ports.size(), 5u) << json.output;
  EXPECT_EQ(ports[0]["state"], "modemmanager");
  EXPECT_EQ(ports[2]["serial_number"], "A50285BI");
  EXPECT_EQ(ports[2]["holder"], "cli_test");
  EXPECT_EQ(ports[3]["state"], "phantom-uart");
  EXPECT_EQ(ports[3]["searched"], false);
  EXPECT_EQ(ports[4]["state"], "brltty");
  EXPECT_EQ(ports[4]["usb_path"], "1-2");
}

TEST_F(CliPorts, PortTakesTheAdaptersIdentity) {
  const std::string ftdi = (tree.dev / "ttyUSB1").string();
  for (const char* choice : {"usb:0403:6001", "usb:A50285BI"}) {
    const auto run = rig.Run({"--port", choice, "search"});
    EXPECT_EQ(run.status, 0) << choice << "\n" << run.output;
    // The found text keeps its line; the adapter follows on the next.
    EXPECT_TRUE(run.Says("Vorel-30415 Sound Player found on " + ftdi + " (4 MB / 95 sec)\nFTDI FT232R USB UART "
                         "(A50285BI), USB 0403:6001 at 1-3, driver ftdi_sio\n")) << run.output;
  }
  const auto byId = rig.Run(
      {"--json", "--port", (tree.dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string(), "search"});
  EXPECT_EQ(byId.status, 0) << byId.output;
  EXPECT_EQ(byId.Of("outcome").at(0)["adapter"]["serial_number"], "A50285BI") << byId.output;
  // No port written to when the choice names none, or two.
  tree.AddUsb({"1-5", "1a86", "7523", "", "USB Serial", "", "ch341", "ttyUSB2"}, freeNode.Path());
  const auto two = rig.Run({"--port", "usb:1A86:7523", "search"});
  EXPECT_EQ(two.status, 1);
  EXPECT_TRUE(two.Says("usb:1A86:7523 matches more than one port (" + (tree.dev / "ttyUSB0").string() + ", " +
                       (tree.dev / "ttyUSB2").string() + ")"))
      << two.output;
  const auto none = rig.Run({"--port", "usb:NOSUCH", "search"});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(none.Says("No serial port belongs to the USB adapter usb:NOSUCH.")) << none.output;
  EXPECT_EQ(sim.BytesReceived(), 3u * 1);  // one 'V' for each search that found it, nothing more
}

}  // namespace

namespace {

TEST(CliBrltty, ASearchThatFindsNothingNamesTheAdapterBrlttyTook) {
  FakeTree tree;
  std::vector<std::unique_ptr<testsys::EnvVar>> env;
  for (const auto& [name, value] : tree.Environment()) env.push_back(std::make_unique<testsys::EnvVar>(name, value));
  tree.AddUsb({"3-1", "1a86", "7523", "", "USB Serial", "", "ch341", ""});
  FakeTree::Write(tree.rules / "85-brltty.rules", "ENV{PRODUCT}==\"1a86/7523/*\", ENV{BRLTTY_BRAILLE_DRIVER}=\"bm\"");
  const auto run = TCliRig().Run({"search"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.Says("No device found\nThe USB serial adapter USB Serial has no serial port, because brltty took it "
                       "for a braille display."))
      << run.output;
}

}  // namespace
