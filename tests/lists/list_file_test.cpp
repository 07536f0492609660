// List files on a real file system: what is written, what is read back after the folder
// moved, and the one message for each kind of bad list.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "lists/SoundListFile.h"

namespace fs = std::filesystem;
using lists::ListedSound;

namespace {

struct ScratchFolder {
  fs::path Path;
  ScratchFolder() {
    std::string Pattern = (fs::temp_directory_path() / "kestrilo-lists-XXXXXX").string();
    Path = ::mkdtemp(Pattern.data());
  }
  ~ScratchFolder() { fs::remove_all(Path); }
};

std::string ReadText(const fs::path& File) {
  std::ifstream In(File, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  return Text.str();
}

void WriteText(const fs::path& File, const std::string& Text) { std::ofstream(File, std::ios::binary) << Text; }

std::string LoadError(const fs::path& File) {
  try {
    lists::LoadList(File);
  } catch (const lists::ListFileError& E) {
    return E.what();
  }
  return "no error";
}

}  // namespace

TEST(ListFile, RoundTripKeepsRowsAndFollowsAMovedFolder) {
  ScratchFolder Scratch;
  const fs::path Set = Scratch.Path / "horns";
  const fs::path Outside = Scratch.Path / "elsewhere" / "bell.mp3";
  const std::vector<ListedSound> Rows = {
      {Set / "long.wav", 12}, {Set / "sub" / "short.WAV", 2040}, {Outside, 1}, {Set / "long.wav", 12}};
  const fs::path List = Set / "horns.kestrilo";
  fs::create_directories(Set);
  lists::SaveList(List, Rows);

  const std::string Text = ReadText(List);
  EXPECT_NE(Text.find("\"format\": \"kestrilo-sound-list\""), std::string::npos) << Text;
  EXPECT_NE(Text.find("\"version\": 1"), std::string::npos);
  EXPECT_NE(Text.find("\"path\": \"sub/short.WAV\""), std::string::npos);
  EXPECT_NE(Text.find("\"path\": \"" + Outside.generic_string() + "\""), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(Set), fs::directory_iterator()), 1) << "a temporary file was left";

  const auto Loaded = lists::LoadList(List);
  ASSERT_EQ(Loaded.size(), Rows.size());
  for (size_t i = 0; i < Rows.size(); ++i) {
    EXPECT_EQ(Loaded[i].Path, Rows[i].Path);
    EXPECT_EQ(Loaded[i].Address, Rows[i].Address);
  }

  // The folder moves with its list: its sounds follow, the outside one stays where it was.
  const fs::path Moved = Scratch.Path / "copied" / "set";
  fs::create_directories(Moved.parent_path());
  fs::rename(Set, Moved);
  const auto Again = lists::LoadList(Moved / "horns.kestrilo");
  ASSERT_EQ(Again.size(), 4u);
  EXPECT_EQ(Again[0].Path, Moved / "long.wav");
  EXPECT_EQ(Again[1].Path, Moved / "sub" / "short.WAV");
  EXPECT_EQ(Again[2].Path, Outside);
  EXPECT_EQ(Again[1].Address, 2040);
}

TEST(ListFile, SavingReplacesWholeAndKeepsTheMode) {
  ScratchFolder Scratch;
  const fs::path List = Scratch.Path / "a.kestrilo";
  lists::SaveList(List, {{Scratch.Path / "x.wav", 3}});
  ASSERT_EQ(::chmod(List.c_str(), 0640), 0);
  lists::SaveList(List, {{Scratch.Path / "y.wav", 4}, {Scratch.Path / "z.wav", 5}});
  struct stat St;
  ASSERT_EQ(::stat(List.c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  EXPECT_EQ(lists::LoadList(List).size(), 2u);

  // A row the device cannot take, or a folder that is not there: the old list stays.
  EXPECT_THROW(lists::SaveList(List, {{Scratch.Path / "y.wav", 2041}}), lists::ListFileError);
  try {
    lists::SaveList(Scratch.Path / "no-such" / "b.kestrilo", {});
    FAIL() << "saved into a missing folder";
  } catch (const lists::ListFileError& E) {
    EXPECT_EQ(std::string(E.what()).rfind("Cannot save the sound list \"" + (Scratch.Path / "no-such" / "b.kestrilo").string() + "\": ", 0), 0u) << E.what();
  }
  EXPECT_EQ(lists::LoadList(List).size(), 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(Scratch.Path), fs::directory_iterator()), 1);
}

TEST(ListFile, EachBadListHasItsOwnMessage) {
  ScratchFolder Scratch;
  const fs::path List = Scratch.Path / "bad.kestrilo";
  const std::string Head = "Cannot open the sound list \"" + List.string() + "\": ";
  const std::string Good = R"("format": "kestrilo-sound-list", "version": 1)";
  const std::pair<std::string, std::string> Cases[] = {
      {"{\n  \"format\": oops\n}", "it is not JSON (error at line 2, column 13)."},
      {"[1, 2]", "it is not a Kestrilo sound list (no \"format\" member)."},
      {R"({"format": "other-app", "version": 1, "sounds": []})",
       "it is not a Kestrilo sound list (its format is \"other-app\")."},
      {R"({"format": "kestrilo-sound-list", "version": 2, "sounds": []})",
       "it was saved by a newer Kestrilo (list version 2; this Kestrilo reads version 1)."},
      {R"({"format": "kestrilo-sound-list", "version": "1", "sounds": []})", "it has no valid \"version\" member."},
      {"{" + Good + "}", "it has no \"sounds\" list."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav"}, {"address": 4}]})", "row 2 has no path."},
      {"{" + Good + R"(, "sounds": [{"path": ""}]})", "row 1 has no path."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav", "address": 2041}]})",
       "row 1 has the address 2041, outside 1-2040."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav", "address": 0}]})", "row 1 has the address 0, outside 1-2040."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav", "address": "7"}]})",
       "row 1 has an address that is not a whole number."},
  };
  for (const auto& [Text, Why] : Cases) {
    WriteText(List, Text);
    EXPECT_EQ(LoadError(List), Head + Why) << Text;
  }
  EXPECT_EQ(LoadError(Scratch.Path / "none.kestrilo"),
            "Cannot open the sound list \"" + (Scratch.Path / "none.kestrilo").string() + "\": No such file or directory.");

  // Unknown members are ignored; a row without an address takes its input number.
  WriteText(List, "{" + Good + R"(, "note": "x", "sounds": [{"path": "a.wav", "address": 9}, {"path": "/b.wav"}]})");
  const auto Rows = lists::LoadList(List);
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[0].Path, Scratch.Path / "a.wav");
  EXPECT_EQ(Rows[1].Path, fs::path("/b.wav"));
  EXPECT_EQ(Rows[1].Address, 2);
}
