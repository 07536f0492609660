// kestrilo-cli.exe run as a user runs it, against kestrilo-devsim on COM1. There is no ffmpeg
// for Windows on the build machine: the program's coder\ffmpeg.exe is win_fake_ffmpeg
// (fake_ffmpeg.cpp), a stand-in that checks the engine's argument list and copies the
// canonical 8-bit mono 44100 Hz WAVE files written here, so the wire carries their samples.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "cli/ChildPipe.h"
#include "devsim_dump.h"
#include "platform/temp_dir.h"
#include "pump.h"
#include "wav_fixture.h"

namespace {

namespace fs = std::filesystem;
constexpr int kCompleted = 0;

struct TRun {
  bool ended = false;
  int status = -1;
  std::string output;  // standard output and error, lines as they came
  bool Says(const std::string& Text) const { return output.find(Text) != std::string::npos; }
};

// kestrilo-cli.exe with its encoder in coder\, in a folder of its own.
class CliOnWindows : public testing::Test {
 protected:
  CliOnWindows() : cli_(dir_.Path() + "kestrilo-cli.exe") {
    fs::copy_file("Z:" KESTRILO_CLI, cli_);
    fs::create_directory(dir_.Path() + "coder");
    fs::copy_file("Z:" KESTRILO_FAKE_FFMPEG, dir_.Path() + "coder\\ffmpeg.exe");
  }
  TRun Run(const std::vector<std::string>& Args) const {
    TRun r;
    cli::TChildPipe child(cli_, Args, true);
    r.ended = child.Finish(120000, [&](const std::string& Line) { r.output += Line + "\n"; });
    r.status = child.ExitCode();
    return r;
  }
  std::string Wav(const std::string& Name, const std::vector<uint8_t>& Samples) const {
    fixtures::WriteWav(dir_.Path() + Name, Samples);
    return dir_.Path() + Name;
  }

  platform::TempDir dir_;
  const std::string cli_;
};

// What the simulator stored of sound N: its dump after the 44-byte header.
std::string Stored(int N) {
  const std::string wave = DumpFile("sound-" + std::to_string(N) + ".wav");
  return wave.size() < 44 ? "" : wave.substr(44);
}

// What must arrive for Samples, with the pad byte that ends an odd count in the dump.
std::string Expected(const std::vector<uint8_t>& Samples) {
  const std::vector<uint8_t> wire = fixtures::OnTheWire(Samples);
  return std::string(wire.begin(), wire.end()) + std::string(wire.size() % 2, '\0');
}

// Ctrl+Break reaches only processes of one console; the children share the test program's.
bool HasAConsole() {
  return ::GetConsoleWindow() != nullptr || ::AllocConsole() || ::GetLastError() == ERROR_ACCESS_DENIED;
}

bool UnderWine() { return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace

TEST_F(CliOnWindows, SearchAndPlayOnCom1) {
  const TRun search = Run({"search"});
  EXPECT_TRUE(search.ended);
  EXPECT_EQ(search.status, kCompleted) << search.output;
  EXPECT_TRUE(search.Says("Vorel-30415 Sound Player found on COM1 (4 MB / 95 sec)\n")) << search.output;
  const TRun play = Run({"play", "3"});
  EXPECT_EQ(play.status, kCompleted) << play.output;
  EXPECT_TRUE(WaitUntil([] { return SessionHas("play 3"); }, 30000)) << DumpFile("session.log");
}

TEST_F(CliOnWindows, UploadOfTwoSoundsArrivesByteExact) {
  const std::vector<uint8_t> a = fixtures::Ramp(600), b = fixtures::Ramp(301, 3);
  const TRun run = Run({"upload", Wav("a.wav", a) + "@2040", Wav("b b.wav", b) + "@5"});
  EXPECT_EQ(run.status, kCompleted) << run.output;
  EXPECT_TRUE(run.Says("\n2/2 b b.wav: Done\n")) << run.output;
  EXPECT_TRUE(run.Says("\nUpload completed!\n")) << run.output;
  ASSERT_TRUE(WaitUntil([] { return SessionHas("A input 2 address 5"); }, 30000)) << DumpFile("session.log");
  EXPECT_EQ(Stored(1), Expected(a));
  EXPECT_EQ(Stored(2), Expected(b));
  EXPECT_EQ(DumpFile("addresses.txt"), "1 2040\n2 5\n");
  EXPECT_TRUE(SessionHas("end sound 2, 301 samples")) << DumpFile("session.log");
}

TEST_F(CliOnWindows, InterruptMidStreamStopsTheUpload) {
  // Wine's GenerateConsoleCtrlEvent cannot send Ctrl+Break to a process group of its windowless
  // console, so Interrupt falls back to ending the child; on Windows the child cancels through
  // its clean-up (status 130). On both the child ends at once and the sound stays unfinished.
  ASSERT_TRUE(HasAConsole());
  const std::string wav = Wav("long.wav", fixtures::Ramp(3 * 44100));  // a good 10 s on the line
  TRun r;
  bool interrupted = false;
  {
    cli::TChildPipe child(cli_, {"upload", "--json", wav}, true);
    r.ended = child.Finish(120000, [&](const std::string& Line) {
      r.output += Line + "\n";
      if (!interrupted && Line.find("\"progress\"") != std::string::npos) {
        child.Interrupt();
        interrupted = true;
      }
    });
    r.status = child.ExitCode();
  }
  ASSERT_TRUE(interrupted);
  EXPECT_TRUE(r.ended);
  if (UnderWine()) {
    EXPECT_EQ(r.status, 1) << r.output;
  } else {
    EXPECT_EQ(r.status, 130) << r.output;
    EXPECT_TRUE(r.Says("\"outcome\":\"Cancelled\"")) << r.output;
  }
  EXPECT_FALSE(SessionHas("end sound 1, 132300 samples")) << DumpFile("session.log");
}
