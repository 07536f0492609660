// kestrilo-cli in German and in English: the same run gives the same exit status, event
// identifiers, arguments and row states; only the worded texts differ.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

#include "cli_run.h"

namespace {

using nlohmann::json;

// German through the user's locale where the machine has it, else through LANGUAGE.
class TLanguage {
 public:
  explicit TLanguage(bool German) {
    const bool haveDe = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    std::setlocale(LC_ALL, "C");
    setenv("LANG", German && haveDe ? "de_DE.UTF-8" : German ? "C.UTF-8" : "C", 1);
    if (German && !haveDe) setenv("LANGUAGE", "de", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
  }
  ~TLanguage() {
    unsetenv("LANGUAGE");
    setenv("LANG", "C", 1);
  }
};

// What must not change with the language: every event without its worded text.
json Stable(const clitest::TCliRun& Run) {
  json out = json::array();
  for (json e : Run.events) {
    e.erase("text");
    e.erase("seconds");
    if (e.value("event", "") == "progress") continue;  // timing
    if (e.contains("lines"))  // the system's reason is worded by the system
      for (json& line : e["lines"])
        if (line["id"] == "Reason") line["args"] = json::array();
    out.push_back(e);
  }
  return out;
}

struct TBothRuns {
  clitest::TCliRun english, german;
};

TBothRuns InBoth(const clitest::TCliRig& Rig, const std::vector<std::string>& Args) {
  TBothRuns r;
  {
    TLanguage c(false);
    r.english = Rig.Run(Args);
  }
  TLanguage de(true);
  r.german = Rig.Run(Args);
  return r;
}

TEST(CliLanguage, GermanRunsSayTheSameInGerman) {
  clitest::TCliRig rig;
  devsim::Simulator sim(clitest::QuickDevice());
  rig.Ports(sim.SlavePath());
  const std::string wav = rig.Wav("a.wav", fixtures::Ramp(600));
  const std::string missing = rig.Path("gone.wav");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--json", "search"}, {"--json", "upload", wav}, {"--json", "upload", missing}}) {
    const TBothRuns runs = InBoth(rig, args);
    EXPECT_EQ(runs.german.status, runs.english.status) << runs.german.output;
    EXPECT_EQ(Stable(runs.german), Stable(runs.english)) << runs.german.output << runs.english.output;
  }

  TLanguage de(true);
  EXPECT_TRUE(rig.Run({"search"}).Says("Vorel-30415 Sound Player gefunden an " + sim.SlavePath() + " (4 MB / 95 s)\n"));
  const clitest::TCliRun upload = rig.Run({"upload", wav});
  EXPECT_EQ(upload.status, 0) << upload.output;
  for (const char* text : {"Gerät wird gesucht ...\n", "a.wav wird umgewandelt ...\n", "1/1 a.wav: Umgewandelt\n",
                           "Flash-Speicher des Geräts wird gelöscht ...\n", "Daten werden hochgeladen ...\n",
                           "Digitaladressen werden eingestellt ...\n", "Hochladen abgeschlossen!\n"})
    EXPECT_TRUE(upload.Says(text)) << text << "\n" << upload.output;
  const clitest::TCliRun failed = rig.Run({"upload", missing});
  EXPECT_EQ(failed.status, 4);
  EXPECT_TRUE(failed.Says("„" + missing + "“ lässt sich nicht umwandeln:\n")) << failed.output;
  EXPECT_TRUE(rig.Run({"play", "9"}).Says("play braucht eine Soundnummer von 1 bis 4"));

  // The C locale keeps today's texts, byte for byte.
  TLanguage c(false);
  EXPECT_TRUE(rig.Run({"upload", missing}).Says("Cannot convert \"" + missing + "\":\n"));
}

}  // namespace
