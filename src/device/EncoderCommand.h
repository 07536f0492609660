#pragma once
// The encoder's command line.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One text, three placeholders; the inner quotes keep a path with spaces one argument. Both
// paths are plain files whatever their names look like, and the input may open nothing but
// files; -t stops the encoder at what the device can hold.
inline const std::string EncoderTemplate =
    "-protocol_whitelist file -i \"file:%SRC%\" -y -acodec pcm_u8 -ar 44100 -ac 1 -sample_fmt u8 -t %MAX% "
    "\"file:%DST%\"";

// Splits at spaces outside double quotes and drops the quotes.
std::vector<std::string> SplitArguments(const std::string& Text);

// Replaces every placeholder in one left-to-right pass: replaced text is never looked at
// again, so a path holding "%DST%" stays as it is.
std::string ReplacePlaceholders(const std::string& Text, const std::vector<std::pair<std::string, std::string>>& Values);

// Seconds, with three decimals, of Capacity samples and one more second: a sound that does
// not fit still comes out too large for the memory check, but no larger.
std::string DurationLimit(int64_t Capacity);

// The template, split, with the two paths put in (made absolute) and the limit of Capacity.
std::vector<std::string> EncoderArguments(const std::string& Source, const std::string& Dest, int64_t Capacity);

// coder/ffmpeg beside the executable when that is an executable file, else "ffmpeg",
// looked up in PATH when started.
std::string EncoderPath();
