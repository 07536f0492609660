// The device's command set, driven through a real pseudo-terminal as a host would.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "devsim/devsim.h"
#include "test_util.h"

using namespace devsim_test;
using devsim::Options;
using devsim::Simulator;
using Lines = std::vector<std::string>;

namespace {

TEST(DevsimVersion, AnswersAtItsOwnSpeedOnly) {
  Options o = Fast();
  o.baud = 57600;
  o.capacity_units = 0x40;
  o.version_byte = 0x11;
  Simulator sim(o);
  {
    HostPort wrong(sim.SlavePath(), 115200);
    ASSERT_EQ(wrong.Write("V"), 0);
    ASSERT_TRUE(sim.WaitForLogSize(1, 10s));
    EXPECT_TRUE(wrong.ReadFor(300ms).empty());
    wrong.SetSpeed(9600);
    ASSERT_EQ(wrong.Write("V"), 0);
    ASSERT_TRUE(sim.WaitForLogSize(2, 10s));
    EXPECT_TRUE(wrong.ReadFor(300ms).empty());
  }
  HostPort right(sim.SlavePath(), 57600);  // the port closes and reopens in between
  ASSERT_EQ(right.Write("V"), 0);
  EXPECT_EQ(right.Read(3, 10s), B({'8', 0x40, 0x11}));
  EXPECT_EQ(sim.Log(), (Lines{"ignored 0x56 at 115200 bit/s", "ignored 0x56 at 9600 bit/s", "V", "reply 38 40 11"}));
}

TEST(DevsimVersion, DefaultReplyIsFourMegabytesVersionSeven) {
  Simulator sim(Fast());
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("V"), 0);
  EXPECT_EQ(host.Read(3, 10s), B({0x38, 32, 7}));
  // Nothing beyond the three bytes.
  EXPECT_TRUE(host.ReadFor(200ms).empty());
}

TEST(DevsimErase, AnswersPlusAfterTheEraseTimeAndLosesBytesMeanwhile) {
  Options o;
  o.erase_ms = 1500;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("C"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("C", 10s));
  ASSERT_EQ(host.Write("V"), 0);  // too early: the device is busy erasing
  // A lower bound only: a loaded machine can make the '+' later, never earlier.
  EXPECT_TRUE(host.ReadFor(500ms).empty());
  EXPECT_EQ(host.Read(1, 20s), B({'+'}));
  EXPECT_EQ(sim.Log(), (Lines{"C", "lost 0x56 during erase", "reply 2b"}));
}

TEST(DevsimSound, SixHundredSamplesGiveTwoAcksAndAnExactDump) {
  TTempDir dir;
  Options o = Fast();
  o.dump_dir = dir.Path();
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  Bytes samples;
  for (int i = 0; i < 600; ++i) samples.push_back(std::uint8_t(1 + (i * 7) % 255));
  Bytes wire = {'C'};
  ASSERT_EQ(host.Write(wire), 0);
  ASSERT_EQ(host.Read(1, 10s), B({'+'}));
  wire = {'D'};
  wire.insert(wire.end(), samples.begin(), samples.end());
  wire.push_back(0);
  wire.push_back(0);
  ASSERT_EQ(host.Write(wire), 0);
  EXPECT_EQ(host.Read(2, 10s), B({0x10, 0x10}));
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 10s));
  EXPECT_TRUE(host.ReadFor(200ms).empty());
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "reply 10", "reply 10", "end sound 1, 600 samples",
                              "end of sounds"}));
  ASSERT_EQ(sim.Sounds().size(), 1u);
  EXPECT_EQ(sim.Sounds()[0], samples);
  EXPECT_EQ(ReadFile(dir / "sound-1.wav"), ExpectedWave(samples));
  EXPECT_EQ(ReadText(dir / "session.log"), Joined(sim.Log()));
  EXPECT_EQ(ReadText(dir / "addresses.txt"), "");
  EXPECT_EQ(sim.BytesReceived(), 1u + 1u + 600u + 2u);
}

TEST(DevsimSound, AckEveryCountsWithinEachSoundAndZeroMeansNever) {
  Options o = Fast();
  o.ack_every = 3;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  // 5 samples, then 4: one ack each (the count restarts with every sound).
  ASSERT_EQ(host.Write(B({'C', 'D', 9, 9, 9, 9, 9, 0, 'D', 9, 9, 9, 9, 0, 0})), 0);
  EXPECT_EQ(host.Read(3, 10s), B({'+', 0x10, 0x10}));
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 10s));

  Options never = Fast();
  never.ack_every = 0;
  Simulator quiet(never);
  HostPort h2(quiet.SlavePath(), 115200);
  Bytes wire = {'C', 'D'};
  wire.insert(wire.end(), 600, 0x55);
  wire.insert(wire.end(), {0, 0});
  ASSERT_EQ(h2.Write(wire), 0);
  ASSERT_TRUE(quiet.WaitForLogLine("end of sounds", 10s));
  EXPECT_EQ(h2.ReadFor(200ms), B({'+'}));
}

TEST(DevsimSound, TwoSoundsThenTheFinalZeroAndAddressesAndPlays) {
  TTempDir dir;
  Options o = Fast();
  o.dump_dir = dir.Path();
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("C"), 0);
  ASSERT_EQ(host.Read(1, 10s), B({'+'}));
  // Sample bytes that look like commands are samples; an odd count gets a pad byte.
  const Bytes s1 = B({'V', 'C', 'A', '1', 0xFF}), s2 = B({0x01, 0x80});
  Bytes wire = {'D'};
  wire.insert(wire.end(), s1.begin(), s1.end());
  wire.insert(wire.end(), {0, 'D'});
  wire.insert(wire.end(), s2.begin(), s2.end());
  wire.insert(wire.end(), {0, 0, 'A', 1, 0xF8, 0x07, 'A', 0, 0x01, 0x00, 'A', 2, 0xFF, 0xFF, '3', '1', '4', '2'});
  ASSERT_EQ(host.Write(wire), 0);
  ASSERT_TRUE(sim.WaitForLogLine("play 2", 10s));
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "end sound 1, 5 samples", "D sound 2",
                              "end sound 2, 2 samples", "end of sounds", "A input 1 address 2040",
                              "A input 0 address 1", "A input 2 address 65535", "play 3", "play 1", "play 4",
                              "play 2"}));
  EXPECT_EQ(sim.Sounds(), (std::vector<Bytes>{s1, s2}));
  EXPECT_EQ(sim.Addresses(),
            (std::vector<devsim::AddressCommand>{{1, 2040}, {0, 1}, {2, 65535}}));
  EXPECT_EQ(sim.Plays(), (std::vector<int>{3, 1, 4, 2}));
  EXPECT_EQ(ReadFile(dir / "sound-1.wav"), ExpectedWave(s1));
  EXPECT_EQ(ReadFile(dir / "sound-1.wav").size(), 44u + 5u + 1u);
  EXPECT_EQ(ReadFile(dir / "sound-2.wav"), ExpectedWave(s2));
  EXPECT_EQ(ReadText(dir / "addresses.txt"), "1 2040\n0 1\n2 65535\n");
  EXPECT_EQ(ReadText(dir / "session.log"), Joined(sim.Log()));
  EXPECT_TRUE(host.ReadFor(200ms).empty());  // 'A' and plays are not answered
}

TEST(DevsimStrict, WrongBytesAreNamedInTheLog) {
  Simulator sim(Fast());
  HostPort host(sim.SlavePath(), 115200);
  // Unknown command bytes, an upload without erase, a missing final 0x00, an empty sound.
  ASSERT_EQ(host.Write(B({'Z', 0x00, 'v', 'D', 5, 0, 'D', 0, 'A', 3, 4, 0, 'C'})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("reply 2b", 10s));
  EXPECT_EQ(sim.Log(), (Lines{"unknown 0x5a", "unknown 0x00", "unknown 0x76", "D sound 1, memory not erased",
                              "end sound 1, 1 samples", "D sound 2", "end sound 2, 0 samples",
                              "missing end of sounds before 0x41", "A input 3 address 4", "C", "reply 2b"}));
  // The erase emptied the memory.
  EXPECT_TRUE(sim.Sounds().empty());
  // After the erase a new upload numbers from 1 again and is not flagged.
  ASSERT_EQ(host.Write(B({'D', 7, 0, 0, 'D', 8, 0, 0})), 0);
  ASSERT_TRUE(sim.WaitForLogSize(17, 10s));
  const Lines log = sim.Log();
  Lines tail(log.begin() + 11, log.end());
  EXPECT_EQ(tail, (Lines{"D sound 1", "end sound 1, 1 samples", "end of sounds", "D sound 2, memory not erased",
                         "end sound 2, 1 samples", "end of sounds"}));
}

TEST(DevsimStrict, SamplesBeyondTheMemoryAreNotStored) {
  TTempDir dir;
  Options o = Fast();
  o.capacity_units = 1;  // 131072 bytes
  o.line_rate = false;
  o.ack_every = 0;
  o.dump_dir = dir.Path();
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  Bytes first(131000, 0x42), second(100, 0x43);
  Bytes wire = {'C', 'D'};
  wire.insert(wire.end(), first.begin(), first.end());
  wire.insert(wire.end(), {0, 'D'});
  wire.insert(wire.end(), second.begin(), second.end());
  wire.insert(wire.end(), {0, 0});
  ASSERT_EQ(host.Write(wire), 0);
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 30s));
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "end sound 1, 131000 samples", "D sound 2",
                              "overflow sound 2 at sample 73", "end sound 2, 100 samples", "end of sounds"}));
  ASSERT_EQ(sim.Sounds().size(), 2u);
  EXPECT_EQ(sim.Sounds()[1], Bytes(72, 0x43));
  EXPECT_EQ(ReadFile(dir / "sound-2.wav"), ExpectedWave(Bytes(72, 0x43)));
}

TEST(DevsimDump, StartsCleanAndAnEraseDeletesTheSoundFiles) {
  TTempDir dir;
  std::filesystem::create_directories(dir / "dump");
  const std::string dump = dir / "dump";
  for (const char* name : {"sound-1.wav", "sound-12.wav", "session.log", "addresses.txt", "notes.txt", "sound-x.wav"})
    std::ofstream(dump + "/" + name) << "old";
  Options o = Fast();
  o.dump_dir = dump;
  Simulator sim(o);
  EXPECT_FALSE(std::filesystem::exists(dump + "/sound-1.wav"));
  EXPECT_FALSE(std::filesystem::exists(dump + "/sound-12.wav"));
  EXPECT_EQ(ReadText(dump + "/session.log"), "");
  EXPECT_EQ(ReadText(dump + "/notes.txt"), "old");  // not ours: kept
  EXPECT_EQ(ReadText(dump + "/sound-x.wav"), "old");
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'C', 'D', 1, 0, 'D', 2, 0, 0})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 10s));
  EXPECT_TRUE(std::filesystem::exists(dump + "/sound-2.wav"));
  ASSERT_EQ(host.Write("C"), 0);
  ASSERT_TRUE(sim.WaitForLogSize(9, 10s));
  EXPECT_FALSE(std::filesystem::exists(dump + "/sound-1.wav"));
  EXPECT_FALSE(std::filesystem::exists(dump + "/sound-2.wav"));
}

TEST(DevsimDump, NestedFolderIsCreatedAndAFileInTheWayIsRefused) {
  TTempDir dir;
  Options o = Fast();
  o.dump_dir = dir / "a/b/c";
  { Simulator sim(o); }
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  std::ofstream(dir / "file") << "x";
  o.dump_dir = dir / "file";
  EXPECT_THROW(Simulator{o}, std::system_error);
}

TEST(DevsimPort, HostMayCloseAndReopenAndItsExclusiveFlagDoesNotOutliveIt) {
  Simulator sim(Fast());
  {
    HostPort host(sim.SlavePath(), 115200, /*exclusive=*/true);
    ASSERT_EQ(host.Write("1"), 0);
    ASSERT_TRUE(sim.WaitForLogLine("play 1", 10s));
    // While the host holds the port, the flag stays.
    std::this_thread::sleep_for(300ms);
    int excl = 0;
    ASSERT_EQ(::ioctl(host.Fd(), TIOCGEXCL, &excl), 0);
    EXPECT_EQ(excl, 1);
  }
  // After the close a non-root host could not reopen the port while the flag is set.
  // (Root may open it anyway, so look at the flag itself.)
  int excl = 1;
  for (int i = 0; i < 200 && excl; ++i) {
    std::this_thread::sleep_for(50ms);
    int fd = ::open(sim.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::ioctl(fd, TIOCGEXCL, &excl);
    ::close(fd);
  }
  EXPECT_EQ(excl, 0);
  HostPort again(sim.SlavePath(), 115200);
  ASSERT_EQ(again.Write("2"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("play 2", 10s));
  EXPECT_EQ(sim.Plays(), (std::vector<int>{1, 2}));
}

TEST(DevsimPort, LinkIsMadeReplacedAndRemovedButNeverOverAFile) {
  TTempDir dir;
  const std::string link = dir / "ttyDEVSIM";
  std::filesystem::create_symlink("/nonexistent", link);
  Options o = Fast();
  o.link_path = link;
  {
    Simulator sim(o);
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), sim.SlavePath());
    HostPort host(link, 115200);
    ASSERT_EQ(host.Write("V"), 0);
    EXPECT_EQ(host.Read(3, 10s).size(), 3u);
  }
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
  std::ofstream(link) << "precious";
  EXPECT_THROW(Simulator{o}, std::system_error);
  EXPECT_EQ(ReadText(link), "precious");
}

TEST(DevsimPort, WaitIdleCoversBytesStillOnTheLine) {
  Options o = Fast();
  o.ack_every = 0;
  o.baud = 9600;  // 960 bytes/s: 2000 bytes take about two seconds
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 9600);
  Bytes wire = {'C', 'D'};
  wire.insert(wire.end(), 2000, 0x20);
  wire.push_back(0);
  ASSERT_EQ(host.Write(wire), 0);
  ASSERT_TRUE(sim.WaitIdle(60s));
  EXPECT_EQ(sim.BytesReceived(), wire.size());
  EXPECT_EQ(sim.Log().back(), "end sound 1, 2000 samples");
}

TEST(DevsimPort, LineRateHoldsTheHostBackAndNoLineRateDoesNot) {
  Options o = Fast();
  o.ack_every = 0;
  o.baud = 9600;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 9600);
  Bytes wire = {'C', 'D'};
  wire.insert(wire.end(), 3000, 0x20);
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] { host.Write(wire); });
  // Sampled once a few hundred bytes are in: without the limit all 3002 would be there at once.
  const auto deadline = start + 30s;
  while (sim.BytesReceived() < 300 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  const auto taken = sim.BytesReceived();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  writer.join();
  EXPECT_GE(taken, 300u);
  // 960 bytes a second at most, however late the sample: a slow machine takes fewer, never more.
  EXPECT_LE(double(taken), 960 * seconds + 20) << "after " << seconds << " s";

  Options f = Fast();
  f.ack_every = 0;
  f.line_rate = false;
  f.baud = 9600;
  Simulator fast(f);
  HostPort h2(fast.SlavePath(), 9600);
  wire.push_back(0);
  ASSERT_EQ(h2.Write(wire), 0);
  ASSERT_TRUE(fast.WaitForLogLine("end sound 1, 3000 samples", 60s));
}

TEST(DevsimOptions, BadOptionsAreRefusedByTheConstructor) {
  Options o;
  o.baud = 38400;
  EXPECT_THROW(Simulator{o}, std::invalid_argument);
  o = Options{};
  o.capacity_units = 256;
  EXPECT_THROW(Simulator{o}, std::invalid_argument);
  o = Options{};
  o.silent = o.garbage = true;
  EXPECT_THROW(Simulator{o}, std::invalid_argument);
}

}  // namespace
