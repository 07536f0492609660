// The tool's event stream read into rows: today's --all and the events --watch adds.
#include <gtest/gtest.h>

#include "alldevices/AllRun.h"

namespace {

alldevices::TAllRun Read(const std::vector<std::string>& Lines) {
  alldevices::TAllRun run;
  for (const std::string& l : Lines) run.Take(l);
  return run;
}

}  // namespace

TEST(AllRun, WatchingKeepsOneRowPerAttemptAndTheToolsCounts) {
  alldevices::TAllRun run = Read({
      R"j({"event":"watching"})j",
      R"j({"event":"attempt","port":"/dev/ttyUSB0","label":"/dev/ttyUSB0 (A5)","attempt":1,"adapter":{"serial_number":"A5"}})j",
      R"j({"event":"progress","percent":45.23,"port":"/dev/ttyUSB0","attempt":1})j",
      R"j({"event":"counts","done":0,"failed":0,"running":1})j",
      R"j({"event":"ended","port":"/dev/ttyUSB0","label":"/dev/ttyUSB0 (A5)","attempt":1,"device":"Vorel","outcome":"Completed","status":0,"seconds":3.5,"reason":""})j",
      R"j({"event":"unplugged","port":"/dev/ttyUSB0"})j",
      R"j({"event":"attempt","port":"/dev/ttyUSB0","label":"/dev/ttyUSB0 (B7)","attempt":2,"adapter":{}})j",
      R"j({"event":"message","text":"The device was lost.","port":"/dev/ttyUSB0","attempt":2})j",
      R"j({"event":"stderr","port":"/dev/ttyUSB0","attempt":2,"line":"odd"})j",
      R"j({"event":"counts","done":1,"failed":0,"running":1})j",
      R"j({"event":"stopped-watching"})j",
      R"j({"event":"future","port":"/dev/ttyUSB9"})j",
  });
  EXPECT_TRUE(run.Watching() && run.StoppedWatching());
  EXPECT_EQ(run.Counts(), (alldevices::TCounts{1, 0, 1}));
  ASSERT_EQ(run.Rows().size(), 2u);  // an event it does not know makes no row
  const alldevices::TDeviceRow &first = run.Rows()[0], &second = run.Rows()[1];
  EXPECT_EQ(first.Name(), "/dev/ttyUSB0 (A5)");
  EXPECT_TRUE(first.Completed() && first.Unplugged);
  EXPECT_EQ(first.Percent, 45.23);
  EXPECT_EQ(second.Attempt, 2);
  EXPECT_TRUE(second.Running() && !second.Unplugged);
  EXPECT_EQ(second.Reason, "The device was lost.");
  EXPECT_EQ(run.ErrorLines(), std::vector<std::string>{"/dev/ttyUSB0: odd"});

  run.Take(R"j({"event":"ended","port":"/dev/ttyUSB0","attempt":2,"outcome":"DeviceLost","status":7,"reason":"Lost."})j");
  run.Take(R"j({"event":"outcome","status":7,"devices":[]})j");
  run.ProcessEnded(7, false);
  EXPECT_EQ(run.Rows()[1].Reason, "Lost.");
  EXPECT_EQ(run.FinalStatus(), 7);
  EXPECT_EQ(run.Counts(), (alldevices::TCounts{1, 1, 0}));  // what ran at the tool's end did not complete
}

// Today's --all: rows by port, a port without a device left out, a refused option kept.
TEST(AllRun, TodaysStreamAndAToolThatEndsWithoutAnOutcome) {
  alldevices::TAllRun run = Read({
      R"j({"event":"phase","id":"EncodingRow","text":"Encoding a.wav..."})j",
      R"j({"event":"device","id":"Found","args":["Vorel","/dev/pts/1",4,95],"text":"Vorel found","port":"/dev/pts/1"})j",
      R"j({"event":"device","id":"SearchingPort","text":"Searching device... /dev/pts/2","port":"/dev/pts/2"})j",
      R"j({"event":"outcome","outcome":"NoDevice","status":1,"port":"/dev/pts/2"})j",
      R"j({"event":"device","id":"PortBusy","text":"/dev/pts/3 is in use","port":"/dev/pts/3"})j",
      R"j({"event":"outcome","outcome":"NoDevice","status":1,"port":"/dev/pts/3"})j",
      "kestrilo-cli: something broke",
  });
  EXPECT_EQ(run.Phase(), "Encoding a.wav...");
  ASSERT_EQ(run.Rows().size(), 3u);
  EXPECT_EQ(run.Rows()[0].Device, "Vorel");
  EXPECT_FALSE(run.Rows()[1].Listed());
  EXPECT_TRUE(run.Rows()[2].Listed());
  EXPECT_EQ(run.Rows()[2].Problem, "/dev/pts/3 is in use");
  EXPECT_EQ(run.Counts(), (alldevices::TCounts{0, 1, 1}));
  run.ProcessEnded(-1, false);
  EXPECT_EQ(run.Rows()[0].Outcome, "Error");
  EXPECT_FALSE(run.FinalStatus());
  EXPECT_EQ(run.ErrorLines(), std::vector<std::string>{"kestrilo-cli: something broke"});

  // Nothing to load: the run's own outcome, with no port, makes no row.
  const alldevices::TAllRun failed =
      Read({R"j({"event":"outcome","outcome":"EncodingFailed","status":4,"text":"Failed!","port":"","device":""})j"});
  EXPECT_TRUE(failed.Rows().empty());
  EXPECT_EQ(failed.FinalStatus(), 4);
  EXPECT_EQ(failed.Message(), "Failed!");
}
