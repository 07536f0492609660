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
  throw EListFileError(std::string("Cannot ") + Verb + " the sound list \"" + Utf8(ListFile) + "\": " + Why + ".");
}

std::string RowText(size_t Index) { return "row " + std::to_string(Index + 1); }

std::string OutsideRange(size_t Index, long long Address) {
  return RowText(Index) + " has the address " + std::to_string(Address) + ", outside " +
         std::to_string(kMinAddress) + "-" + std::to_string(kMaxAddress);
}

// "line L, column C" of the byte a parse error points at (1-based, as the parser counts).
std::string PlaceOf(std::string_view Text, size_t Byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i + 1 < Byte && i < Text.size(); ++i) {
    if (Text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string TooLargeText() { return "it is larger than " + std::to_string(kMaxListSize >> 20) + " MiB"; }

// Before the file is opened: opening a named pipe would wait for a writer, and a device
// would be read without end.
void CheckListFile(const fs::path& ListFile) {
  std::error_code error;
  const fs::file_status status = fs::status(ListFile, error);
  if (error) Refuse("open", ListFile, error.message());
  switch (status.type()) {
    case fs::file_type::regular: break;
    case fs::file_type::directory: Refuse("open", ListFile, "it is a folder, not a list file");
    case fs::file_type::fifo: Refuse("open", ListFile, "it is a named pipe, not a list file");
    case fs::file_type::character:
    case fs::file_type::block: Refuse("open", ListFile, "it is a device, not a list file");
    default: Refuse("open", ListFile, "it is not a regular file");
  }
  if (fs::file_size(ListFile, error) > kMaxListSize && !error) Refuse("open", ListFile, TooLargeText());
}

void CheckHeader(const fs::path& ListFile, const json& Root) {
  const auto format = Root.is_object() ? Root.find("format") : Root.end();
  if (!Root.is_object() || format == Root.end() || !format->is_string())
    Refuse("open", ListFile, "it is not a Kestrilo sound list (no \"format\" member)");
  if (format->get<std::string>() != kFormatName)
    Refuse("open", ListFile,
           "it is not a Kestrilo sound list (its format is \"" + format->get<std::string>() + "\")");
  const auto version = Root.find("version");
  if (version == Root.end() || !version->is_number_integer() || version->get<long long>() < 1)
    Refuse("open", ListFile, "it has no valid \"version\" member");
  if (version->get<long long>() > kFormatVersion)
    Refuse("open", ListFile,
           "it was saved by a newer Kestrilo (list version " + std::to_string(version->get<long long>()) +
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

TListedSound ParseRow(const fs::path& ListFile, const fs::path& Folder, const json& Row, size_t Index) {
  const auto path = Row.is_object() ? Row.find("path") : Row.end();
  if (!Row.is_object() || path == Row.end() || !path->is_string() || path->get<std::string>().empty())
    Refuse("open", ListFile, RowText(Index) + " has no path");
  TListedSound listed;
  if (const auto options = Row.find("options"); options != Row.end())
    listed.Options = ParseOptions(ListFile, *options, RowText(Index));
  const fs::path stored = FromUtf8(path->get<std::string>());
  listed.Path = (stored.is_absolute() ? stored : Folder / stored).lexically_normal();
  const auto address = Row.find("address");
  if (address == Row.end()) {
    listed.Address = int(Index + 1);
    return listed;
  }
  if (!address->is_number_integer())
    Refuse("open", ListFile, RowText(Index) + " has an address that is not a whole number");
  const long long value = address->get<long long>();
  if (value < kMinAddress || value > kMaxAddress) Refuse("open", ListFile, OutsideRange(Index, value));
  listed.Address = int(value);
  return listed;
}

}  // namespace

std::string StoredPath(const fs::path& Sound, const fs::path& ListFolder) {
  const fs::path absolute = AbsoluteNormal(Sound);
  const fs::path relative = absolute.lexically_relative(AbsoluteNormal(ListFolder));
  const bool inside = !relative.empty() && *relative.begin() != ".." && relative != ".";
  return Utf8(inside ? relative : absolute);
}

std::string FormatList(const fs::path& ListFile, const std::vector<TListedSound>& Rows) {
  return FormatSoundList(ListFile, {Rows, {}});
}

std::string FormatSoundList(const fs::path& ListFile, const TSoundList& List) {
  const std::vector<TListedSound>& rows = List.Rows;
  const fs::path folder = FolderOf(ListFile);
  json sounds = json::array();
  bool options = List.Defaults.Any() || List.Defaults.Target;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].Address < kMinAddress || rows[i].Address > kMaxAddress)
      Refuse("save", ListFile, OutsideRange(i, rows[i].Address));
    sounds.push_back({{"path", StoredPath(rows[i].Path, folder)}, {"address", rows[i].Address}});
    if (rows[i].Options) sounds.back()["options"] = OptionsJson(*rows[i].Options), options = true;
  }
  // A list without options stays readable by a Kestrilo that knows no options.
  json root = {{"format", kFormatName}, {"version", options ? kFormatVersion : kPlainFormatVersion}};
  if (options) root["options"] = OptionsJson(List.Defaults);
  root["sounds"] = std::move(sounds);
  try {
    return root.dump(2) + "\n";
  } catch (const json::exception&) {
    Refuse("save", ListFile, "a file name in it is not valid UTF-8");
  }
}

std::vector<TListedSound> ParseList(const fs::path& ListFile, std::string_view Text) {
  return ParseSoundList(ListFile, Text).Rows;
}

TSoundList ParseSoundList(const fs::path& ListFile, std::string_view Text) {
  json root;
  try {
    root = json::parse(Text);
  } catch (const json::parse_error& e) {
    Refuse("open", ListFile, "it is not JSON (error at " + PlaceOf(Text, e.byte) + ")");
  }
  CheckHeader(ListFile, root);
  const auto sounds = root.find("sounds");
  if (sounds == root.end() || !sounds->is_array()) Refuse("open", ListFile, "it has no \"sounds\" list");
  const fs::path folder = FolderOf(ListFile);
  TSoundList list;
  if (const auto options = root.find("options"); options != root.end())
    list.Defaults = ParseOptions(ListFile, *options, i18n::Tr("the list"));
  list.Rows.reserve(sounds->size());
  for (size_t i = 0; i < sounds->size(); ++i) list.Rows.push_back(ParseRow(ListFile, folder, (*sounds)[i], i));
  return list;
}

std::vector<TListedSound> LoadList(const fs::path& ListFile) { return LoadSoundList(ListFile).Rows; }

TSoundList LoadSoundList(const fs::path& ListFile) {
  CheckListFile(ListFile);
  std::ifstream in(ListFile, std::ios::binary);
  if (!in) Refuse("open", ListFile, std::strerror(errno));
  // Read in blocks and stopped past the bound: a file that grew since is not read on.
  std::string text;
  char block[64 * 1024];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, size_t(in.gcount()));
    if (text.size() > kMaxListSize) Refuse("open", ListFile, TooLargeText());
  }
  if (in.bad()) Refuse("open", ListFile, "it cannot be read");
  return ParseSoundList(ListFile, text);
}

void SaveList(const fs::path& ListFile, const std::vector<TListedSound>& Rows) { SaveSoundList(ListFile, {Rows, {}}); }

void SaveSoundList(const fs::path& ListFile, const TSoundList& List) {
  const std::string text = FormatSoundList(ListFile, List);
  try {
    platform::ReplaceFileAtomically(ListFile, text);
  } catch (const std::system_error& e) {
    Refuse("save", ListFile, e.what());
  }
}

bool IsListFileName(std::string_view Name) {
  if (Name.size() < kFileExtension.size()) return false;
  const std::string_view end = Name.substr(Name.size() - kFileExtension.size());
  // ASCII only: the extension is, and the user's locale must not change the answer.
  const auto lower = [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; };
  return std::equal(end.begin(), end.end(), kFileExtension.begin(),
                    [&](char A, char B) { return lower(A) == lower(B); });
}

}  // namespace lists
