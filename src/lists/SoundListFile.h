#pragma once
// Sound list files (.kestrilo): the rows of a sound list, kept between runs.
//
// The file is UTF-8 JSON:
//   {
//     "format": "kestrilo-sound-list",
//     "version": 1,
//     "sounds": [
//       { "path": "horns/long.wav", "address": 12 },
//       { "path": "/home/ada/shared/bell.mp3", "address": 3 }
//     ]
//   }
// "sounds" holds one object per row, in input order. "path" is relative to the list's own
// folder, with '/' between names, when the sound lies in that folder or below it, so the
// folder can be moved or copied with its list; otherwise it is absolute. "address" is the
// digital address, a whole number from 1 to 2040; a row without one takes its input number.
// Version 2 adds "options": list-wide at the top, a row's own beside its path:
//   "options": { "loudness": "r128", "target": -16.0, "trim": -50.0, "dither": "triangular" }
// ("loudness" off|peak|r128, "target" in dB or LUFS, "trim" the silence threshold in dB,
// absent when not trimming, "dither" off|triangular); a list without options is still written as version 1.
// A reader refuses a version newer than its own and ignores members it does not know.
// A list reached through a symbolic link lies where the link ends, for its folder too.
// No Qt here: the window and the command-line tool both use it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sound/SoundOptions.h"

namespace lists {

inline constexpr std::string_view kFormatName = "kestrilo-sound-list";
inline constexpr int kFormatVersion = 2;
inline constexpr int kPlainFormatVersion = 1;  // no options
inline constexpr std::string_view kFileExtension = ".kestrilo";
inline constexpr int kMinAddress = 1;
inline constexpr int kMaxAddress = 2040;
// A list of 2040 rows takes well under a megabyte; anything this large is not a list.
inline constexpr uintmax_t kMaxListSize = uintmax_t(16) << 20;

struct TListedSound {
  std::filesystem::path Path;  // absolute once loaded
  int Address = kMinAddress;
  std::optional<sound::TSoundOptions> Options = std::nullopt;  // none: the list's
};

// A list with its preparation options.
struct TSoundList {
  std::vector<TListedSound> Rows;
  sound::TSoundOptions Defaults;
  // The options Row is prepared with.
  sound::TSoundOptions OptionsOf(const TListedSound& Row) const { return Row.Options.value_or(Defaults); }
};

// A list that cannot be read or written. what() is one sentence that names the file and
// what is wrong with it.
class EListFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads ListFile; relative paths are resolved against its folder (the folder itself made
// absolute against the current one). Refuses what is not a regular file or is larger than
// kMaxListSize without reading it.
std::vector<TListedSound> LoadList(const std::filesystem::path& ListFile);

// Writes Rows to ListFile, replacing it atomically. Relative row paths are taken as
// relative to the current folder.
void SaveList(const std::filesystem::path& ListFile, const std::vector<TListedSound>& Rows);

// The text of a list file, and back; ListFile only names the folder and appears in messages.
std::string FormatList(const std::filesystem::path& ListFile, const std::vector<TListedSound>& Rows);
std::vector<TListedSound> ParseList(const std::filesystem::path& ListFile, std::string_view Text);

// How Sound is stored in a list kept in ListFolder: relative with '/' when inside it.
std::string StoredPath(const std::filesystem::path& Sound, const std::filesystem::path& ListFolder);

// The same with the options.
TSoundList LoadSoundList(const std::filesystem::path& ListFile);
void SaveSoundList(const std::filesystem::path& ListFile, const TSoundList& List);
std::string FormatSoundList(const std::filesystem::path& ListFile, const TSoundList& List);
TSoundList ParseSoundList(const std::filesystem::path& ListFile, std::string_view Text);

// Name ends in the list file extension, in any case (LIST.KESTRILO too).
bool IsListFileName(std::string_view Name);

}  // namespace lists
