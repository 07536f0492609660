// List files on a real file system: what is written, what is read back after the folder
// moved, and the one message for each kind of bad list.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "lists/SoundListFile.h"

namespace fs = std::filesystem;
using lists::TListedSound;

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

// The message of a list that cannot be read: from the file, or from Text as if read from it.
std::string LoadError(const fs::path& File, const std::string* Text = nullptr) {
  try {
    Text ? lists::ParseList(File, *Text) : lists::LoadList(File);
  } catch (const lists::EListFileError& E) {
    return E.what();
  }
  return "no error";
}

// What saving says, from a process of an ordinary user: root may write any file.
std::string SaveErrorAsUser(const fs::path& List) {
  int Pipe[2];
  if (::pipe(Pipe) != 0) return "no pipe";
  if (const pid_t Child = ::fork(); Child != 0) {
    ::close(Pipe[1]);
    std::string Message;
    char Buf[512];
    for (ssize_t N; (N = ::read(Pipe[0], Buf, sizeof Buf)) > 0;) Message.append(Buf, size_t(N));
    ::close(Pipe[0]);
    ::waitpid(Child, nullptr, 0);
    return Message;
  }
  std::string Message = "cannot leave root";
  if (::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0)) try {
      lists::SaveList(List, {});
      Message = "saved";
    } catch (const lists::EListFileError& E) {
      Message = E.what();
    }
  [[maybe_unused]] const auto Written = ::write(Pipe[1], Message.data(), Message.size());
  ::_exit(0);
}

}  // namespace

TEST(ListFile, RoundTripKeepsRowsAndFollowsAMovedFolder) {
  ScratchFolder Scratch;
  const fs::path Set = Scratch.Path / "horns", Outside = Scratch.Path / "elsewhere" / "bell.mp3";
  fs::create_directories(Set);
  const std::vector<TListedSound> Rows = {{Set / "long.wav", 12}, {Set / "sub" / "short.WAV", 2040}, {Outside, 1}};
  lists::SaveList(Set / "horns.kestrilo", Rows);
  ASSERT_EQ(::chmod((Set / "horns.kestrilo").c_str(), 0640), 0);
  lists::SaveList(Set / "horns.kestrilo", Rows);  // replaced whole, keeping its mode

  const std::string Text = ReadText(Set / "horns.kestrilo");
  for (const std::string& Part : {std::string(R"("format": "kestrilo-sound-list")"), std::string(R"("version": 1)"),
                                  std::string(R"("path": "sub/short.WAV")"), "\"path\": \"" + Outside.string() + "\""})
    EXPECT_NE(Text.find(Part), std::string::npos) << Part << " in " << Text;
  struct stat St;
  ASSERT_EQ(::stat((Set / "horns.kestrilo").c_str(), &St), 0);
  EXPECT_EQ(St.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(Set), fs::directory_iterator()), 1) << "a temporary file was left";

  // The folder moves with its list: its sounds follow, the outside one stays where it was.
  const fs::path Moved = Scratch.Path / "copy";
  fs::rename(Set, Moved);
  const auto Again = lists::LoadList(Moved / "horns.kestrilo");
  ASSERT_EQ(Again.size(), 3u);
  const fs::path Expected[] = {Moved / "long.wav", Moved / "sub" / "short.WAV", Outside};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(Again[i].Path, Expected[i]);
    EXPECT_EQ(Again[i].Address, Rows[i].Address);
  }

  // What cannot be saved leaves the list as it was.
  EXPECT_THROW(lists::SaveList(Moved / "horns.kestrilo", {{Moved / "y.wav", 2041}}), lists::EListFileError);
  EXPECT_THROW(lists::SaveList(Scratch.Path / "none" / "b.kestrilo", Rows), lists::EListFileError);
  EXPECT_EQ(lists::LoadList(Moved / "horns.kestrilo").size(), 3u);
}

TEST(ListFile, EachBadListHasItsOwnMessage) {
  ScratchFolder Scratch;
  const fs::path List = Scratch.Path / "bad.kestrilo";  // not there
  const std::string Head = "Cannot open the sound list \"" + List.string() + "\": ";
  const std::string Good = R"("format": "kestrilo-sound-list", "version": 1)";
  const std::pair<std::string, std::string> Cases[] = {
      {"{\n  \"format\": oops\n}", "it is not JSON (error at line 2, column 13)."},
      {"[1, 2]", "it is not a Kestrilo sound list (no \"format\" member)."},
      {R"({"format": "other-app", "version": 1, "sounds": []})",
       "it is not a Kestrilo sound list (its format is \"other-app\")."},
      {R"({"format": "kestrilo-sound-list", "version": 3, "sounds": []})",
       "it was saved by a newer Kestrilo (list version 3; this Kestrilo reads version 2)."},
      {R"({"format": "kestrilo-sound-list", "version": "1", "sounds": []})", "it has no valid \"version\" member."},
      {"{" + Good + "}", "it has no \"sounds\" list."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav"}, {"address": 4}]})", "row 2 has no path."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav", "address": 2041}]})",
       "row 1 has the address 2041, outside 1-2040."},
      {"{" + Good + R"(, "sounds": [{"path": "a.wav", "address": "7"}]})",
       "row 1 has an address that is not a whole number."},
  };
  for (const auto& [Text, Why] : Cases) EXPECT_EQ(LoadError(List, &Text), Head + Why) << Text;
  EXPECT_EQ(LoadError(List), Head + "No such file or directory.");

  // Unknown members are ignored; a row without an address takes its input number.
  const auto Rows = lists::ParseList(List, "{" + Good + R"(, "note": "x", "sounds": [{"path": "a.wav"}, {"path": "/b"}]})");
  ASSERT_EQ(Rows.size(), 2u);
  EXPECT_EQ(Rows[1].Path, fs::path("/b"));
  EXPECT_EQ(Rows[1].Address, 2);
}

TEST(ListFile, ANameEndingInTheExtensionInAnyCaseIsAList) {
  EXPECT_TRUE(lists::IsListFileName("sounds.kestrilo"));
  EXPECT_TRUE(lists::IsListFileName("/home/ada/LIST.KESTRILO"));
  EXPECT_TRUE(lists::IsListFileName("horns.Kestrilo"));
  EXPECT_FALSE(lists::IsListFileName("sounds.kestrilo.wav"));
  EXPECT_FALSE(lists::IsListFileName("kestrilo"));
}

TEST(ListFile, WhatIsNoRegularFileOrTooLargeIsRefusedUnread) {
  ScratchFolder Scratch;
  const fs::path Fifo = Scratch.Path / "pipe.kestrilo", Big = Scratch.Path / "big.kestrilo";
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);  // opening it would wait for a writer
  std::ofstream(Big).put('{');
  fs::resize_file(Big, lists::kMaxListSize + 1);
  const std::pair<fs::path, std::string> Cases[] = {{Fifo, "it is a named pipe, not a list file."},
                                                    {"/dev/zero", "it is a device, not a list file."},
                                                    {Scratch.Path, "it is a folder, not a list file."},
                                                    {Big, "it is larger than 16 MiB."}};
  for (const auto& [File, Why] : Cases)
    EXPECT_EQ(LoadError(File), "Cannot open the sound list \"" + File.string() + "\": " + Why);
}

TEST(ListFile, SavingThroughALinkWritesItsListAndAReadOnlyListIsKept) {
  ScratchFolder Scratch;
  const fs::path Real = Scratch.Path / "real" / "set.kestrilo", Link = Scratch.Path / "set.kestrilo";
  fs::create_directories(Real.parent_path());
  lists::SaveList(Real, {{Scratch.Path / "real" / "a.wav", 1}});
  fs::create_symlink("real/set.kestrilo", Link);
  lists::SaveList(Link, {{Scratch.Path / "real" / "b.wav", 7}});
  EXPECT_TRUE(fs::is_symlink(Link));
  EXPECT_NE(ReadText(Real).find(R"("path": "b.wav")"), std::string::npos) << ReadText(Real);
  for (const fs::path& Name : {Real, Link}) EXPECT_EQ(lists::LoadList(Name).at(0).Path, Scratch.Path / "real" / "b.wav");

  // The folder is everyone's, the list is read-only: the rename could replace it, saving may not.
  for (const fs::path& Folder : {Scratch.Path, Scratch.Path / "real"}) fs::permissions(Folder, fs::perms::all);
  fs::permissions(Real, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const std::string Before = ReadText(Real);
  EXPECT_EQ(SaveErrorAsUser(Link), "Cannot save the sound list \"" + Link.string() + "\": cannot write " +
                                       Real.string() + ": Permission denied.");
  EXPECT_EQ(ReadText(Real), Before);
  EXPECT_TRUE(fs::is_symlink(Link));
}
