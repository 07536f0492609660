// The faults on the line that the host's failure tests build on: what the host sees
// on the wire and what the session log says.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "test_util.h"

using namespace devsim_test;
using devsim::Options;
using devsim::Simulator;
using Lines = std::vector<std::string>;

namespace {

// Reads until `needle` has come (true) or 20 s have run out.
bool ReadUntil(HostPort& host, const Bytes& needle) {
  Bytes got;
  for (int i = 0; i < 200 && std::search(got.begin(), got.end(), needle.begin(), needle.end()) == got.end(); ++i)
    for (auto b : host.Read(4096, 100ms)) got.push_back(b);
  return std::search(got.begin(), got.end(), needle.begin(), needle.end()) != got.end();
}

// A hung-up line as an unplugged device leaves it: POLLHUP, end of file, EIO.
void ExpectHungUp(HostPort& host) {
  pollfd p{host.Fd(), POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 20000), 1);
  EXPECT_TRUE(p.revents & POLLHUP);
  std::uint8_t byte = 0;
  EXPECT_EQ(::read(host.Fd(), &byte, 1), 0);
  EXPECT_EQ(host.Write("V"), EIO);
}

TEST(DevsimNeighbour, SendsWholeLinesAtAnySpeedNeverAnswersAndLogsWhatItGets) {
  Options o = Fast();
  o.neighbour = true;
  o.neighbour_every_ms = 20;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 9600);
  ASSERT_EQ(host.Write("V"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("neighbour received 0x56 at 9600 bit/s", 10s));
  host.SetSpeed(115200);
  ASSERT_EQ(host.Write("VC"), 0);
  const Bytes got = host.Read(60, 20s);
  ASSERT_EQ(got.size(), 60u);
  // Nothing but its lines, whole, however the probes fell between them.
  const std::string text(got.begin(), got.end()), line = "T=+21.8C\r\n";
  for (std::size_t i = 0; i < text.size(); i += line.size()) EXPECT_EQ(text.substr(i, line.size()), line);
  ASSERT_TRUE(sim.WaitIdle(10s));
  EXPECT_EQ(sim.Log(), (Lines{"neighbour line every 20 ms", "neighbour received 0x56 at 9600 bit/s",
                              "neighbour received 0x56 at 115200 bit/s", "neighbour received 0x43 at 115200 bit/s"}));
}

TEST(DevsimStall, ForGoodHoldsTheHostsWritesAtOnce) {
  Options o = Fast();
  o.stall_after = 3;
  o.line_rate = false;  // takes all it can at once, but never past the stall
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'C', 'D', 1, 2, 3, 4, 5, 0, 0})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("stall after 3 data bytes for good", 10s));
  EXPECT_EQ(host.Read(1, 10s), B({'+'}));  // replies still go out
  ASSERT_EQ(::fcntl(host.Fd(), F_SETFL, O_NONBLOCK), 0);
  EXPECT_EQ(host.Write("x"), EAGAIN);  // not once a kernel buffer has filled: now
  pollfd p{host.Fd(), POLLOUT, 0};
  EXPECT_EQ(::poll(&p, 1, 500), 0);
  // Not a byte beyond the third sample was taken from the line.
  EXPECT_EQ(sim.BytesReceived(), 5u);
  EXPECT_EQ(sim.Sounds(), (std::vector<Bytes>{B({1, 2, 3})}));
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "stall after 3 data bytes for good"}));
}

TEST(DevsimHang, TheLineIsStillReadButNothingIsStoredOrAnsweredAgain) {
  Options o = Fast();
  o.ack_every = 2;
  o.hang_after = 3;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'C', 'D', 1, 2})), 0);
  ASSERT_EQ(host.Read(2, 10s), B({'+', 0x10}));
  Bytes rest = {3, 4, 5, 6, 0, 0, 'V', 'A', 1, 2, 3};
  rest.insert(rest.end(), 3000, 7);  // a host that goes on writing is not held up
  ASSERT_EQ(host.Write(rest), 0);
  for (int i = 0; i < 400 && sim.BytesReceived() < 4 + rest.size(); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_EQ(sim.BytesReceived(), 4 + rest.size());
  EXPECT_EQ(host.ReadFor(300ms), Bytes{}) << "no 0x10 after sample 4, no answer to 'V'";
  EXPECT_EQ(sim.Sounds(), (std::vector<Bytes>{B({1, 2, 3})}));
  EXPECT_TRUE(sim.Addresses().empty());
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "reply 10", "hang after 3 data bytes"}));
}

TEST(DevsimStall, ForAWhileThenTheUploadCompletes) {
  Options o = Fast();
  o.stall_after = 0;  // at the first 'D'
  o.stall_ms = 300;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write(B({'C', 'D', 1, 2, 3, 4, 5, 0, 0})), 0);
  ASSERT_TRUE(sim.WaitForLogLine("end of sounds", 20s));
  EXPECT_EQ(sim.Log(), (Lines{"C", "reply 2b", "D sound 1", "stall after 0 data bytes for 300 ms", "stall over",
                              "end sound 1, 5 samples", "end of sounds"}));
  EXPECT_EQ(sim.Sounds(), (std::vector<Bytes>{B({1, 2, 3, 4, 5})}));
  ASSERT_EQ(host.Write("V"), 0);  // the line is free again
  EXPECT_EQ(host.Read(4, 10s), B({'+', '8', 32, 7}));
}

TEST(DevsimJunk, FloodsAtAnySpeedWhileTheDeviceStillAnswers) {
  Options o = Fast();
  o.junk_rate = devsim::kJunkFullLine;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 57600);
  const Bytes early = host.Read(2000, 20s);  // at the wrong speed too
  ASSERT_EQ(early.size(), 2000u);
  host.SetSpeed(115200);
  ASSERT_EQ(host.Write("V"), 0);
  ASSERT_TRUE(sim.WaitForLogLine("reply 38 20 07", 10s));
  EXPECT_TRUE(ReadUntil(host, B({'8', 32, 7})));  // the reply, whole, among junk
  for (std::uint8_t b : B({'8', '+', 0x10, 0x00})) EXPECT_NE(std::count(early.begin(), early.end(), b), 0) << int(b);
  EXPECT_EQ(sim.Log(), (Lines{"junk 11520 bytes/s", "V", "reply 38 20 07"}));

  o.junk_rate = 100000;  // more than a 9600 bit/s line carries
  o.baud = 9600;
  o.silent = true;
  EXPECT_EQ(Simulator(o).Log(), Lines{"junk 960 bytes/s"});
}

TEST(DevsimHangupInErase, TheHostSeesAnUnpluggedPortAndNoPlus) {
  Options o;
  o.erase_ms = 60000;
  o.hangup_in_erase_ms = 200;
  Simulator sim(o);
  HostPort host(sim.SlavePath(), 115200);
  ASSERT_EQ(host.Write("C"), 0);
  ExpectHungUp(host);
  ASSERT_TRUE(sim.WaitForLogLine("hangup during erase after 200 ms", 10s));  // written after the close
  EXPECT_EQ(sim.BytesSent(), 0u);
  EXPECT_EQ(sim.Log(), (Lines{"C", "hangup during erase after 200 ms"}));

  // At the erase's very end it still comes before the '+'.
  Options edge = Fast();
  edge.hangup_in_erase_ms = 0;
  Simulator at_end(edge);
  HostPort h2(at_end.SlavePath(), 115200);
  ASSERT_EQ(h2.Write(B({'C', 'V'})), 0);
  ExpectHungUp(h2);
  ASSERT_TRUE(at_end.WaitForLogLine("hangup during erase after 0 ms", 10s));
  EXPECT_EQ(at_end.Log(), (Lines{"C", "hangup during erase after 0 ms"}));
}

}  // namespace
