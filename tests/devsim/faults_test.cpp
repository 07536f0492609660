// The fault options that tests of the host's failure handling rely on.
#include <gtest/gtest.h>

#include "devsim/devsim.h"
#include <thread>

#include "test_util.h"

using namespace devsim_test;
using devsim::Options;
using devsim::Simulator;
using Lines = std::vector<std::string>;

namespace {

TEST(DevsimFaults, HangupAfterNDataBytesMakesTheHostsWritesFail) {
  TTempDir dir;
  Options o = Fast();
  o.hangup_after = 5;
  o.dump_dir = dir.Path();
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  // Three samples in the first sound, then two of the second: the fifth data byte.
  ASSERT_EQ(host.Write(B({'C', 'D', 1, 2, 3, 0, 'D', 4, 5, 6, 7, 8})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("hangup after 5 data bytes", 10s));
  EXPECT_TRUE(sim.HungUp());
  int err = 0;
  for (int i = 0; i < 100 && err == 0; ++i) {
    err = host.Write("V");
    if (err == 0) std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(err, EIO);
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "end sound 1, 3 samples", "D sound 2",
                              "hangup after 5 data bytes"}));
  // The unfinished sound is in memory and in the dump.
  EXPECT_EQ(sim.Sounds(), (std::vector<Bytes>{B({1, 2, 3}), B({4, 5})}));
  EXPECT_EQ(ReadFile(dir / "sound-2.wav"), ExpectedWave(B({4, 5})));
  EXPECT_EQ(ReadText(dir / "session.log"), Joined(sim.Log()));
  EXPECT_TRUE(sim.WaitIdle(10s));
}

TEST(DevsimFaults, HangupAfterZeroHangsUpAtTheFirstD) {
  Options o = Fast();
  o.hangup_after = 0;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'V'})), 0);
  ASSERT_EQ(host.Read(3, 10s).size(), 3u);
  ASSERT_EQ(host.Write(B({'D', 1})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("hangup after 0 data bytes", 10s));
  EXPECT_EQ(sim.Log(), (Lines{"V", "reply 38 20 07", "D sound 1, memory not erased", "hangup after 0 data bytes"}));
}

TEST(DevsimFaults, SilentNeverAnswersButStillListens) {
  Options o = Fast();
  o.silent = true;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'V', 'C', 'D'})), 0);
  Bytes wire(602, 0x33);
  wire[600] = wire[601] = 0;
  ASSERT_EQ(host.Write(wire), 0);
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 10s));
  EXPECT_TRUE(host.ReadFor(300ms).empty());
  EXPECT_EQ(sim.Log(), (Lines{"V", "C", "D sound 1", "end sound 1, 600 samples", "end of sounds"}));
  EXPECT_EQ(sim.Sounds().at(0), Bytes(600, 0x33));
}

TEST(DevsimFaults, GarbageAnswersWithoutAnyEightAndTheSameEveryRun) {
  Options o = Fast();
  o.garbage = true;
  Bytes first_run;
  for (int run = 0; run < 2; ++run) {
    Simulator sim(o);
    HostPort host(sim.SlavePath(), 115200);
    Bytes all;
    for (int i = 0; i < 40; ++i) {
      ASSERT_EQ(host.Write("V"), 0);
      Bytes r = host.Read(3, 10s);
      ASSERT_EQ(r.size(), 3u);
      all.insert(all.end(), r.begin(), r.end());
    }
    for (auto b : all) EXPECT_NE(b, '8');
    Lines log = sim.Log();
    ASSERT_EQ(log.size(), 80u);
    char expect[32];
    std::snprintf(expect, sizeof expect, "reply %02x %02x %02x", all[0], all[1], all[2]);
    EXPECT_EQ(log[1], expect);
    if (run == 0) first_run = all;
    else EXPECT_EQ(all, first_run);
  }
  // Other replies are unchanged.
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("C"), 0);
  EXPECT_EQ(host.Read(1, 10s), B({'+'}));
}

TEST(DevsimFaults, NoEraseReplyErasesSilently) {
  Options o = Fast();
  o.no_erase_reply = true;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'C', 'V'})), 0);
  EXPECT_EQ(host.Read(3, 10s), B({'8', 32, 7}));  // no '+' before the version reply
  EXPECT_EQ(sim.Log(), (Lines{"C", "V", "reply 38 20 07"}));
}

TEST(DevsimFaults, ReplyLateAndAckDelayHoldTheRepliesBack) {
  Options o = Fast();
  o.reply_late_ms = 1000;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("V"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("reply 38 20 07", 10s));
  EXPECT_TRUE(host.ReadFor(400ms).empty());  // lower bound only
  EXPECT_EQ(host.Read(3, 20s), B({'8', 32, 7}));

  Options a = Fast();
  a.ack_every = 2;
  a.ack_delay_ms = 1000;
  Simulator acks(a);
  HostPort h2(acks.SlavePath(), 115200);
  ASSERT_EQ(h2.Write(B({'C', 'D', 5, 5, 0, 0})), 0);
  EXPECT_EQ(h2.Read(1, 10s), B({'+'}));
  ASSERT_TRUE(acks.WaitForLogLine("end of sounds", 10s));
  // The log keeps protocol order although the byte goes out later.
  EXPECT_EQ(acks.Log(), (Lines{"C", "reply 2b", "D sound 1", "reply 10", "end sound 1, 2 samples", "end of sounds"}));
  EXPECT_TRUE(h2.ReadFor(300ms).empty());
  EXPECT_EQ(h2.Read(1, 20s), B({0x10}));
}

TEST(DevsimFaults, ALateReplyIsNotDeliveredAtAnotherSpeed) {
  Options o = Fast();
  o.reply_late_ms = 700;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("V"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("reply 38 20 07", 10s));
  host.SetSpeed(57600);  // the host gave up and probes the next speed
  ASSERT_TRUE(sim.WaitForLogLine("dropped reply 38 20 07, host listens at 57600 bit/s", 20s));
  EXPECT_TRUE(host.ReadFor(200ms).empty());
  host.SetSpeed(115200);
  ASSERT_EQ(host.Write("V"), 0);
  EXPECT_EQ(host.Read(3, 20s), B({'8', 32, 7}));
}

}  // namespace
