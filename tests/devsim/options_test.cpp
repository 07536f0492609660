// Command-line parsing shared by the program and the tests.
#include <gtest/gtest.h>

#include "devsim/devsim.h"

using devsim::ParseArgs;

namespace {

TEST(DevsimArgs, DefaultsMatchTheDevice) {
  auto r = ParseArgs({});
  ASSERT_EQ(r.error, "");
  EXPECT_FALSE(r.help);
  const auto& o = r.options;
  EXPECT_EQ(o.baud, 115200u);
  EXPECT_TRUE(o.line_rate);
  EXPECT_EQ(o.capacity_units, 32u);
  EXPECT_EQ(o.version_byte, 7u);
  EXPECT_EQ(o.erase_ms, 1500u);
  EXPECT_EQ(o.ack_every, 264u);
  EXPECT_EQ(o.ack_delay_ms, 0u);
  EXPECT_EQ(o.hangup_after, -1);
  EXPECT_EQ(o.reply_late_ms, 0u);
  EXPECT_TRUE(o.dump_dir.empty());
  EXPECT_TRUE(o.link_path.empty());
  EXPECT_FALSE(o.silent || o.garbage || o.no_erase_reply);
}

TEST(DevsimArgs, EveryOptionInBothSpellings) {
  auto r = ParseArgs({"--baud", "57600", "--no-line-rate", "--capacity-units=255", "--version-byte", "0",
                      "--erase-ms=20", "--ack-every", "0", "--ack-delay-ms=3", "--dump", "d/x", "--link=/tmp/l",
                      "--hangup-after", "0", "--silent", "--no-erase-reply", "--reply-late=9"});
  ASSERT_EQ(r.error, "");
  const auto& o = r.options;
  EXPECT_EQ(o.baud, 57600u);
  EXPECT_FALSE(o.line_rate);
  EXPECT_EQ(o.capacity_units, 255u);
  EXPECT_EQ(o.version_byte, 0u);
  EXPECT_EQ(o.erase_ms, 20u);
  EXPECT_EQ(o.ack_every, 0u);
  EXPECT_EQ(o.ack_delay_ms, 3u);
  EXPECT_EQ(o.dump_dir, "d/x");
  EXPECT_EQ(o.link_path, "/tmp/l");
  EXPECT_EQ(o.hangup_after, 0);
  EXPECT_TRUE(o.silent);
  EXPECT_TRUE(o.no_erase_reply);
  EXPECT_EQ(o.reply_late_ms, 9u);
  EXPECT_TRUE(ParseArgs({"--no-line-rate", "--line-rate"}).options.line_rate);
  EXPECT_TRUE(ParseArgs({"--garbage"}).options.garbage);
  EXPECT_EQ(ParseArgs({"--baud=9600"}).options.baud, 9600u);
}

TEST(DevsimArgs, HelpWinsAndDocumentsEveryOption) {
  EXPECT_TRUE(ParseArgs({"--baud", "9600", "--help"}).help);
  EXPECT_TRUE(ParseArgs({"-h"}).help);
  const std::string help = devsim::HelpText();
  for (const char* opt : {"--baud", "--line-rate", "--no-line-rate", "--capacity-units", "--version-byte",
                          "--erase-ms", "--ack-every", "--ack-delay-ms", "--dump", "--link", "--hangup-after",
                          "--silent", "--garbage", "--no-erase-reply", "--reply-late", "--hangup-in-erase",
                          "--stall-after", "--stall-ms", "--junk", "--neighbour", "--neighbour-text",
                          "--neighbour-every", "--hang-after", "--help"})
    EXPECT_NE(help.find(opt), std::string::npos) << opt;
}

TEST(DevsimArgs, BadCommandLinesGiveClearErrors) {
  EXPECT_EQ(ParseArgs({"--bogus"}).error, "unknown option '--bogus'");
  EXPECT_EQ(ParseArgs({"extra"}).error, "unknown option 'extra'");
  EXPECT_EQ(ParseArgs({"--baud", "38400"}).error, "bad value '38400' for --baud (115200, 57600 or 9600)");
  EXPECT_EQ(ParseArgs({"--capacity-units", "256"}).error, "bad value '256' for --capacity-units (0..255)");
  EXPECT_EQ(ParseArgs({"--version-byte=-1"}).error, "bad value '-1' for --version-byte (0..255)");
  EXPECT_EQ(ParseArgs({"--erase-ms", "12ms"}).error, "bad value '12ms' for --erase-ms (a number of milliseconds)");
  EXPECT_EQ(ParseArgs({"--erase-ms", ""}).error, "bad value '' for --erase-ms (a number of milliseconds)");
  EXPECT_EQ(ParseArgs({"--hangup-after"}).error, "option --hangup-after needs a value (a number of data bytes)");
  EXPECT_EQ(ParseArgs({"--dump"}).error, "option --dump needs a value");
  EXPECT_EQ(ParseArgs({"--dump="}).error, "option --dump needs a non-empty path");
  EXPECT_EQ(ParseArgs({"--silent=yes"}).error, "option --silent takes no value");
  EXPECT_EQ(ParseArgs({"--silent", "--garbage"}).error, "--silent and --garbage exclude each other");
  EXPECT_EQ(ParseArgs({"--reply-late", "99999999999"}).error,
            "bad value '99999999999' for --reply-late (a number of milliseconds)");
}

TEST(DevsimArgs, LineFaultsTheirWordsAndWhatExcludesWhat) {
  auto r = ParseArgs({"--hangup-in-erase=700", "--stall-after", "9", "--stall-ms=8000", "--junk", "line"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.hangup_in_erase_ms, 700);
  EXPECT_EQ(r.options.stall_after, 9);
  EXPECT_EQ(r.options.stall_ms, 8000u);
  EXPECT_EQ(r.options.junk_rate, devsim::kJunkFullLine);
  EXPECT_EQ(ParseArgs({"--stall-ms", "forever", "--stall-ms=0"}).options.stall_ms, ParseArgs({}).options.stall_ms);
  r = ParseArgs({"--neighbour", "--neighbour-text", "8\\x20\\x07\\t\\\\", "--neighbour-every=5"});
  ASSERT_EQ(r.error, "");
  EXPECT_EQ(r.options.neighbour_text, std::string("8\x20\x07\t\\"));
  EXPECT_EQ(r.options.neighbour_every_ms, 5u);
  EXPECT_EQ(ParseArgs({"--neighbour-text", "a\\q"}).error, "bad escape in 'a\\q' for --neighbour-text");
  EXPECT_EQ(ParseArgs({"--hangup-in-erase", "1501"}).error, "--hangup-in-erase must not exceed --erase-ms");
  EXPECT_EQ(ParseArgs({"--neighbour", "--junk", "line"}).error, "--neighbour excludes the other fault options");
  EXPECT_EQ(ParseArgs({"--hang-after=20000", "--silent"}).options.hang_after, 20000);
  for (const char* other : {"--hangup-after=5", "--stall-after=5"})
    EXPECT_EQ(ParseArgs({"--hang-after", "20000", other}).error, "--hang-after excludes --hangup-after and --stall-after");
  EXPECT_EQ(ParseArgs({"--neighbour", "--hang-after=1"}).error, "--neighbour excludes the other fault options");
}

}  // namespace
