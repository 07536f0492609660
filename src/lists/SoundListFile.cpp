#include "lists/SoundListFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <system_error>

#include "i18n/Translate.h"
#include "platform/atomic_file.h"

namespace lists {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Paths travel as UTF-8 whatever the platform's own encoding of file names is.
std::string Utf8(const fs::path& Path) {
  const std::u8string Text = Path.generic_u8string();
  return std::string(Text.begin(), Text.end());
}

fs::path FromUtf8(const std::string& Text) { return fs::path(std::u8string(Text.begin(), Text.end())); }

fs::path AbsoluteNormal(const fs::path& Path) { return fs::absolute(Path).lexically_normal(); }

// A list reached through a link keeps its paths relative to where the list itself lies.
fs::path FolderOf(const fs::path& ListFile) { return AbsoluteNormal(platform::FollowLinks(ListFile)).parent_path(); }

[[noreturn]] void Refuse(const char* Verb, const fs::path& ListFile, const std::string& Why) {
  throw ListFileError(std::string("Cannot ") + Verb + " the sound list \"" + Utf8(ListFile) + "\": " + Why + ".");
}

std::string RowText(size_t Index) { return "row " + std::to_string(Index + 1); }

std::string OutsideRange(size_t Index, long long Address) {
  return RowText(Index) + " has the address " + std::to_string(Address) + ", outside " +
         std::to_string(kMinAddress) + "-" + std::to_string(kMaxAddress);
}

// "line L, column C" of the byte a parse error points at (1-based, as the parser counts).
std::string PlaceOf(std::string_view Text, size_t Byte) {
  size_t Line = 1, Column = 1;
  for (size_t i = 0; i + 1 < Byte && i < Text.size(); ++i) {
    if (Text[i] == '\n') {
      ++Line;
      Column = 1;
    } else {
      ++Column;
    }
  }
  return "line " + std::to_string(Line) + ", column " + std::to_string(Column);
}

std::string TooLargeText() { return "it is larger than " + std::to_string(kMaxListSize >> 20) + " MiB"; }

// Before the file is opened: opening a named pipe would wait for a writer, and a device
// would be read without end.
void CheckListFile(const fs::path& ListFile) {
  std::error_code Error;
  const fs::file_status Status = fs::status(ListFile, Error);
  if (Error) Refuse("open", ListFile, Error.message());
  switch (Status.type()) {
    case fs::file_type::regular: break;
    case fs::file_type::directory: Refuse("open", ListFile, "it is a folder, not a list file");
    case fs::file_type::fifo: Refuse("open", ListFile, "it is a named pipe, not a list file");
    case fs::file_type::character:
    case fs::file_type::block: Refuse("open", ListFile, "it is a device, not a list file");
    default: Refuse("open", ListFile, "it is not a regular file");
  }
  if (fs::file_size(ListFile, Error) > kMaxListSize && !Error) Refuse("open", ListFile, TooLargeText());
}

void CheckHeader(const fs::path& ListFile, const json& Root) {
  const auto Format = Root.is_object() ? Root.find("format") : Root.end();
  if (!Root.is_object() || Format == Root.end() || !Format->is_string())
    Refuse("open", ListFile, "it is not a Kestrilo sound list (no \"format\" member)");
  if (Format->get<std::string>() != kFormatName)
    Refuse("open", ListFile,
           "it is not a Kestrilo sound list (its format is \"" + Format->get<std::string>() + "\")");
  const auto Version = Root.find("version");
  if (Version == Root.end() || !Version->is_number_integer() || Version->get<long long>() < 1)
    Refuse("open", ListFile, "it has no valid \"version\" member");
  if (Version->get<long long>() > kFormatVersion)
    Refuse("open", ListFile,
           "it was saved by a newer Kestrilo (list version " + std::to_string(Version->get<long long>()) +
               "; this Kestrilo reads version " + std::to_string(kFormatVersion) + ")");
}

json OptionsJson(const sound::TSoundOptions& Options) {
  json j = {{"loudness", sound::LoudnessName(Options.Loudness)}, {"dither", sound::DitherName(Options.Dither)}};
  if (Options.Target) j["target"] = *Options.Target;
  if (Options.Trim) j["trim"] = Options.TrimThresholdDb;
  return j;
}

// Where says whose options they are ("the list", "row 3") in the refusal.
sound::TSoundOptions ParseOptions(const fs::path& ListFile, const json& J, const std::string& Where) {
  const auto bad = [&] {
    Refuse("open", ListFile, i18n::Fill(i18n::Tr("the options of %1 are not valid"), {Where}));
  };
  if (!J.is_object()) bad();
  sound::TSoundOptions o;
  const auto text = [&](const char* Key) { return J.contains(Key) && J[Key].is_string() ? J[Key].get<std::string>() : "off"; };
  const auto loudness = sound::ParseLoudness(text("loudness"));
  const auto dither = sound::ParseDither(text("dither"));
  if (!loudness || !dither) bad();
  o.Loudness = *loudness;
  o.Dither = *dither;
  for (const char* key : {"target", "trim"})
    if (J.contains(key) && (!J[key].is_number() || J[key].get<double>() < -100 || J[key].get<double>() > 0)) bad();
  if (J.contains("target")) o.Target = J["target"].get<double>();
  if (J.contains("trim")) o.Trim = true, o.TrimThresholdDb = J["trim"].get<double>();
  return o;
}

ListedSound ParseRow(const fs::path& ListFile, const fs::path& Folder, const json& Row, size_t Index) {
  const auto Path = Row.is_object() ? Row.find("path") : Row.end();
  if (!Row.is_object() || Path == Row.end() || !Path->is_string() || Path->get<std::string>().empty())
    Refuse("open", ListFile, RowText(Index) + " has no path");
  ListedSound Sound;
  if (const auto Options = Row.find("options"); Options != Row.end())
    Sound.Options = ParseOptions(ListFile, *Options, RowText(Index));
  const fs::path Stored = FromUtf8(Path->get<std::string>());
  Sound.Path = (Stored.is_absolute() ? Stored : Folder / Stored).lexically_normal();
  const auto Address = Row.find("address");
  if (Address == Row.end()) {
    Sound.Address = int(Index + 1);
    return Sound;
  }
  if (!Address->is_number_integer())
    Refuse("open", ListFile, RowText(Index) + " has an address that is not a whole number");
  const long long Value = Address->get<long long>();
  if (Value < kMinAddress || Value > kMaxAddress) Refuse("open", ListFile, OutsideRange(Index, Value));
  Sound.Address = int(Value);
  return Sound;
}

}  // namespace

std::string StoredPath(const fs::path& Sound, const fs::path& ListFolder) {
  const fs::path Absolute = AbsoluteNormal(Sound);
  const fs::path Relative = Absolute.lexically_relative(AbsoluteNormal(ListFolder));
  const bool Inside = !Relative.empty() && *Relative.begin() != ".." && Relative != ".";
  return Utf8(Inside ? Relative : Absolute);
}

std::string FormatList(const fs::path& ListFile, const std::vector<ListedSound>& Rows) {
  return FormatSoundList(ListFile, {Rows, {}});
}

std::string FormatSoundList(const fs::path& ListFile, const SoundList& List) {
  const std::vector<ListedSound>& Rows = List.Rows;
  const fs::path Folder = FolderOf(ListFile);
  json Sounds = json::array();
  bool Options = List.Defaults.Any() || List.Defaults.Target;
  for (size_t i = 0; i < Rows.size(); ++i) {
    if (Rows[i].Address < kMinAddress || Rows[i].Address > kMaxAddress)
      Refuse("save", ListFile, OutsideRange(i, Rows[i].Address));
    Sounds.push_back({{"path", StoredPath(Rows[i].Path, Folder)}, {"address", Rows[i].Address}});
    if (Rows[i].Options) Sounds.back()["options"] = OptionsJson(*Rows[i].Options), Options = true;
  }
  // A list without options stays readable by a Kestrilo that knows no options.
  json Root = {{"format", kFormatName}, {"version", Options ? kFormatVersion : kPlainFormatVersion}};
  if (Options) Root["options"] = OptionsJson(List.Defaults);
  Root["sounds"] = std::move(Sounds);
  try {
    return Root.dump(2) + "\n";
  } catch (const json::exception&) {
    Refuse("save", ListFile, "a file name in it is not valid UTF-8");
  }
}

std::vector<ListedSound> ParseList(const fs::path& ListFile, std::string_view Text) {
  return ParseSoundList(ListFile, Text).Rows;
}

SoundList ParseSoundList(const fs::path& ListFile, std::string_view Text) {
  json Root;
  try {
    Root = json::parse(Text);
  } catch (const json::parse_error& E) {
    Refuse("open", ListFile, "it is not JSON (error at " + PlaceOf(Text, E.byte) + ")");
  }
  CheckHeader(ListFile, Root);
  const auto Sounds = Root.find("sounds");
  if (Sounds == Root.end() || !Sounds->is_array()) Refuse("open", ListFile, "it has no \"sounds\" list");
  const fs::path Folder = FolderOf(ListFile);
  SoundList List;
  if (const auto Options = Root.find("options"); Options != Root.end())
    List.Defaults = ParseOptions(ListFile, *Options, i18n::Tr("the list"));
  List.Rows.reserve(Sounds->size());
  for (size_t i = 0; i < Sounds->size(); ++i) List.Rows.push_back(ParseRow(ListFile, Folder, (*Sounds)[i], i));
  return List;
}

std::vector<ListedSound> LoadList(const fs::path& ListFile) { return LoadSoundList(ListFile).Rows; }

SoundList LoadSoundList(const fs::path& ListFile) {
  CheckListFile(ListFile);
  std::ifstream In(ListFile, std::ios::binary);
  if (!In) Refuse("open", ListFile, std::strerror(errno));
  // Read in blocks and stopped past the bound: a file that grew since is not read on.
  std::string Text;
  char Block[64 * 1024];
  while (In.read(Block, sizeof Block) || In.gcount() > 0) {
    Text.append(Block, size_t(In.gcount()));
    if (Text.size() > kMaxListSize) Refuse("open", ListFile, TooLargeText());
  }
  if (In.bad()) Refuse("open", ListFile, "it cannot be read");
  return ParseSoundList(ListFile, Text);
}

void SaveList(const fs::path& ListFile, const std::vector<ListedSound>& Rows) { SaveSoundList(ListFile, {Rows, {}}); }

void SaveSoundList(const fs::path& ListFile, const SoundList& List) {
  const std::string Text = FormatSoundList(ListFile, List);
  try {
    platform::ReplaceFileAtomically(ListFile, Text);
  } catch (const std::system_error& E) {
    Refuse("save", ListFile, E.what());
  }
}

bool IsListFileName(std::string_view Name) {
  if (Name.size() < kFileExtension.size()) return false;
  const std::string_view End = Name.substr(Name.size() - kFileExtension.size());
  // ASCII only: the extension is, and the user's locale must not change the answer.
  const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; };
  return std::equal(End.begin(), End.end(), kFileExtension.begin(),
                    [&](char A, char B) { return Lower(A) == Lower(B); });
}

}  // namespace lists
