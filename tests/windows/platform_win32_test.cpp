// The Windows-only parts of the platform layer: the registry's port map, the process start,
// the program's own path and the temporary folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/error_text.h"
#include "platform/exe_path.h"
#include "platform/port_identity.h"
#include "platform/port_map.h"
#include "platform/process.h"
#include "platform/temp_dir.h"
#include "platform/win32_api.h"

using namespace platform;

TEST(PortMap, TheRegistryListsTheMappedPort) {
  _putenv("KESTRILO_PORTS=");  // an empty value removes the variable
  const auto map = ReadPortMap();
  ASSERT_TRUE(map.has_value());
  bool com1 = false;
  for (const auto& v : *map) {
    EXPECT_EQ(v.Name.rfind("\\Device\\", 0), 0u) << v.Name;
    com1 = com1 || v.Data == "COM1";
  }
  EXPECT_TRUE(com1) << "scripts/test-windows maps COM1 to the simulator";
  // SetupAPI's identities beside the map's ports, in its order; what Wine does not know stays empty.
  const auto survey = platform::SurveyPorts();
  ASSERT_EQ(survey.size(), map->size());
  for (size_t i = 0; i < survey.size(); ++i) EXPECT_EQ(survey[i].Port, (*map)[i].Data);
  const platform::TPortIdentity com1Id = platform::IdentityOf({"", "COM1"});
  EXPECT_TRUE(com1Id.VendorId.empty() || com1Id.VendorId.size() == 4) << com1Id.HardwareId;
  std::printf("COM1: \"%s\" \"%s\"\n", com1Id.FriendlyName.c_str(), com1Id.HardwareId.c_str());
  _putenv("KESTRILO_PORTS=COM9:COM12");
  const auto only = ReadPortMap();
  ASSERT_TRUE(only.has_value());
  ASSERT_EQ(only->size(), 2u);
  EXPECT_EQ((*only)[1].Data, "COM12");
  _putenv("KESTRILO_PORTS=");
}

TEST(Process, ArgumentsArriveWholeAndStandardErrorIsKept) {
  const std::string child = ExecutableDir() + "win_child.exe";
  const std::vector<std::string> args = {"3", "two words", "a \"quoted\" bit", "100% %SRC%", "trailing\\", ""};
  const TProcessOutcome r = RunAndWait(child, args, nullptr);
  ASSERT_TRUE(r.Started) << r.StartError;
  EXPECT_TRUE(r.Exited);
  EXPECT_EQ(r.ExitCode, 3);
  std::string expected;
  for (const auto& a : args) expected += a + "\r\n";
  EXPECT_EQ(r.ErrorOutput, expected);
  EXPECT_EQ(LastLine(r.ErrorOutput), "trailing\\");
}

TEST(Process, AMissingProgramReturnsAtOnce) {
  int pumps = 0;
  const TProcessOutcome r = RunAndWait(ExecutableDir() + "no-such-program.exe", {}, [&] { ++pumps; });
  EXPECT_FALSE(r.Started);
  EXPECT_EQ(r.StartError, 2) << "ERROR_FILE_NOT_FOUND";
  const std::string text = SystemErrorText(static_cast<uint32_t>(r.StartError));
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << "one line: " << text;
  EXPECT_EQ(pumps, 0);
}

TEST(Files, OwnPathTheBundledEncoderAndTheTemporaryFolder) {
  EXPECT_TRUE(ExecutablePath().ends_with("\\win_platform_test.exe")) << ExecutablePath();
  EXPECT_EQ(ExecutableDir().back(), '\\');
  const std::string coder = ExecutableDir() + "coder";
  EXPECT_EQ(BundledProgram("coder", "ffmpeg"), "");
  std::filesystem::create_directories(coder + "\\ffmpeg.exe");  // a folder is not a program
  EXPECT_EQ(BundledProgram("coder", "ffmpeg"), "");
  std::filesystem::remove(coder + "\\ffmpeg.exe");
  std::filesystem::copy_file(ExecutableDir() + "win_child.exe", coder + "\\ffmpeg.exe");
  EXPECT_EQ(BundledProgram("coder", "ffmpeg"), coder + "\\ffmpeg.exe");
  std::filesystem::remove_all(coder);
  std::string path;
  {
    TTempDir dir("kestrilo-test");
    path = dir.Path();
    EXPECT_EQ(path.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::FILE* f = std::fopen((path + "temp0.wav").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  EXPECT_FALSE(std::filesystem::exists(path)) << "removed with its files";
}

// As on Linux: a folder whose run has died (its lock file opens) goes; a live run's (its lock
// file held open, unshared) and one without a lock file stay.
TEST(TempDir, StaleRunFoldersGoLiveOnesStay) {
  namespace fs = std::filesystem;
  const TTempDir holder("stale-test");
  const fs::path base = holder.Path();
  for (const char* name : {"kestrilo-11", "kestrilo-22", "kestrilo-33"}) fs::create_directories(base / name);
  for (const char* name : {"kestrilo-11", "kestrilo-22"}) std::fclose(std::fopen((base / name / ".run-lock").string().c_str(), "wb"));
  std::fclose(std::fopen((base / "kestrilo-11" / "temp0.dat").string().c_str(), "wb"));
  const HANDLE live = ::CreateFileA((base / "kestrilo-22" / ".run-lock").string().c_str(), GENERIC_READ | GENERIC_WRITE,
                                    0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(live, INVALID_HANDLE_VALUE);
  RemoveStaleRunDirs(base.string());
  EXPECT_FALSE(fs::exists(base / "kestrilo-11"));
  EXPECT_TRUE(fs::exists(base / "kestrilo-22"));
  EXPECT_TRUE(fs::exists(base / "kestrilo-33"));
  ::CloseHandle(live);
  // This run's own folder is held: a sweep of the temporary folder leaves it.
  const std::string own = RunTempDir();
  RemoveStaleRunDirs();
  EXPECT_TRUE(fs::exists(own + ".run-lock"));
}
