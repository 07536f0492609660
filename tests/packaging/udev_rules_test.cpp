// The package's udev rules: ModemManager kept off the common USB serial bridges, access for
// the user at the seat, and nothing that opens the ports to everybody or runs anything.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

const char* const kRules = KESTRILO_SOURCE_DIR "/packaging/60-kestrilo.rules";

std::string RulesWithoutComments() {
  std::ifstream in(kRules);
  std::string out;
  for (std::string line; std::getline(in, line);)
    if (line.rfind("#", 0) != 0) out += line + "\n";
  return out;
}

TEST(UdevRules, CoverTheBridgesAndGrantOnlySeatAccess) {
  const std::string rules = RulesWithoutComments();
  ASSERT_FALSE(rules.empty()) << kRules;
  // FTDI, WCH CH340/CH341, Silicon Labs CP210x, Prolific PL2303, each with its driver, and CDC-ACM.
  for (const char* bridge : {R"(ATTRS\{idVendor\}=="0403", DRIVERS=="ftdi_sio")", R"(ATTRS\{idVendor\}=="1a86", DRIVERS=="ch341)",
                             R"(ATTRS\{idVendor\}=="10c4", DRIVERS=="cp210x")", R"(ATTRS\{idVendor\}=="067b", DRIVERS=="pl2303")",
                             R"(\nDRIVERS=="cdc_acm", GOTO="kestrilo_bridge")"})
    EXPECT_TRUE(std::regex_search(rules, std::regex(bridge))) << bridge;
  EXPECT_TRUE(std::regex_search(rules, std::regex(R"(LABEL="kestrilo_bridge"\nENV\{ID_MM_DEVICE_IGNORE\}="1"\nTAG\+="uaccess"\n)")));
  EXPECT_TRUE(std::regex_search(rules, std::regex(R"(\nSUBSYSTEM!="tty", GOTO="kestrilo_end")")));
  for (const char* never : {"MODE", "GROUP", "OWNER", "RUN", "0666", "PROGRAM", "NAME"})
    EXPECT_EQ(rules.find(never), std::string::npos) << never;
}

}  // namespace
