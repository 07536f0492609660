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

struct TRun {
  int status = -1;
  std::string output;  // standard output and error
  bool Says(const std::string& Text) const { return output.find(Text) != std::string::npos; }
};

// kestrilo-cli.exe with its encoder in coder\, in a folder of its own.
class CliOnWindows : public testing::Test {
 protected:
  CliOnWindows() {
    std::filesystem::copy_file("Z:" KESTRILO_CLI, cli_);
    std::filesystem::create_directory(dir_.Path() + "coder");
    std::filesystem::copy_file("Z:" KESTRILO_FAKE_FFMPEG, dir_.Path() + "coder\\ffmpeg.exe");
  }
  TRun Run(const std::vector<std::string>& Args,
           const std::function<void(cli::TChildPipe&, const std::string&)>& OnLine = {}) const {
    TRun r;
    cli::TChildPipe child(cli_, Args, true);
    EXPECT_TRUE(child.Finish(120000, [&](const std::string& Line) {
      r.output += Line + "\n";
      if (OnLine) OnLine(child, Line);
    }));
    r.status = child.ExitCode();
    return r;
  }
  std::string Wav(const std::string& Name, const std::vector<uint8_t>& Samples) const {
    fixtures::WriteWav(dir_.Path() + Name, Samples);
    return dir_.Path() + Name;
  }

  platform::TTempDir dir_;
  const std::string cli_ = dir_.Path() + "kestrilo-cli.exe";
};

// Sound N as the simulator stored it, after its header, against the samples that must arrive
// for Samples (with the pad byte of an odd count).
void ExpectStored(int N, const std::vector<uint8_t>& Samples) {
  const std::string wave = DumpFile("sound-" + std::to_string(N) + ".wav");
  const std::vector<uint8_t> wire = fixtures::OnTheWire(Samples);
  EXPECT_EQ(wave.substr(std::min<size_t>(44, wave.size())),
            std::string(wire.begin(), wire.end()) + std::string(wire.size() % 2, '\0'));
}

}  // namespace

TEST_F(CliOnWindows, SearchAndPlayOnCom1) {
  const TRun search = Run({"search"});
  EXPECT_EQ(search.status, 0) << search.output;
  EXPECT_TRUE(search.Says("Vorel-30415 Sound Player found on COM1 (4 MB / 95 sec)\n")) << search.output;
  EXPECT_EQ(Run({"play", "3"}).status, 0);
  EXPECT_TRUE(WaitUntil([] { return SessionHas("play 3"); }, 30000)) << DumpFile("session.log");
}

TEST_F(CliOnWindows, UploadOfTwoSoundsArrivesByteExact) {
  const std::vector<uint8_t> a = fixtures::Ramp(600), b = fixtures::Ramp(301, 3);
  const TRun run = Run({"upload", Wav("a.wav", a) + "@2040", Wav("b b.wav", b) + "@5"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_TRUE(run.Says("\n2/2 b b.wav: Done\n")) << run.output;
  EXPECT_TRUE(run.Says("\nUpload completed!\n")) << run.output;
  ASSERT_TRUE(WaitUntil([] { return SessionHas("A input 2 address 5"); }, 30000)) << DumpFile("session.log");
  ExpectStored(1, a);
  ExpectStored(2, b);
  EXPECT_EQ(DumpFile("addresses.txt"), "1 2040\n2 5\n");
}

// The catalogue msgfmt compiled, staged beside the program as a package ships it, chosen by
// LANG as gettext chooses; the numbers take the German decimal comma. Before the interrupted
// upload, which leaves the simulator in the middle of a sound.
TEST_F(CliOnWindows, SpeaksGermanUnderLangDe) {
  std::filesystem::create_directories(dir_.Path() + "locale\\de\\LC_MESSAGES");
  std::filesystem::copy_file("Z:" KESTRILO_GERMAN_MO, dir_.Path() + "locale\\de\\LC_MESSAGES\\kestrilo.mo");
  _putenv("LANG=de_DE.UTF-8");
  const TRun search = Run({"search"});
  const TRun large = Run({"upload", Wav("long.wav", fixtures::Ramp(96 * 44100))});
  _putenv("LANG=");
  EXPECT_TRUE(search.Says("Vorel-30415 Sound Player gefunden an COM1 (4 MB / 95 s)\n")) << search.output;
  EXPECT_EQ(large.status, 5) << large.output;
  EXPECT_TRUE(large.Says("Die Sounds brauchen 96,0 s (4,0 MB); das Gerät fasst 95,1 s (4,0 MB).\n")) << large.output;
  EXPECT_TRUE(Run({"search"}).Says("Vorel-30415 Sound Player found on COM1 (4 MB / 95 sec)\n"));
}

TEST_F(CliOnWindows, InterruptMidStreamStopsTheUpload) {
  // Wine's GenerateConsoleCtrlEvent cannot send Ctrl+Break to a process group of its windowless
  // console, so Interrupt falls back to ending the child; on Windows the child cancels through
  // its clean-up (status 130). On both the child ends at once and the sound stays unfinished.
  const bool wine = ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  // The children share this program's console; AllocConsole refuses a second one.
  ASSERT_TRUE(::AllocConsole() || ::GetLastError() == ERROR_ACCESS_DENIED);
  bool interrupted = false;
  const TRun r = Run({"upload", "--json", Wav("long.wav", fixtures::Ramp(3 * 44100))},
                     [&](cli::TChildPipe& Cli, const std::string& Line) {
                       if (interrupted || Line.find("\"progress\"") == std::string::npos) return;
                       Cli.Interrupt();
                       interrupted = true;
                     });
  ASSERT_TRUE(interrupted);
  EXPECT_EQ(r.status, wine ? 1 : 130) << r.output;
  EXPECT_EQ(r.Says("\"outcome\":\"Cancelled\""), !wine) << r.output;
  EXPECT_FALSE(SessionHas("end sound 1, 132300 samples")) << DumpFile("session.log");
}
