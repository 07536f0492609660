#pragma once
// The encoder's command line.
#include <string>
#include <utility>
#include <vector>

// One text, two placeholders; the inner quotes keep a path with spaces one argument.
inline const std::string EncoderTemplate = "-i \"%SRC%\" -y -acodec pcm_u8 -ar 44100 -ac 1 -sample_fmt u8 \"%DST%\"";

// Splits at spaces outside double quotes and drops the quotes.
std::vector<std::string> SplitArguments(const std::string& Text);

// Replaces every placeholder in one left-to-right pass: replaced text is never looked at
// again, so a path holding "%DST%" stays as it is.
std::string ReplacePlaceholders(const std::string& Text, const std::vector<std::pair<std::string, std::string>>& Values);

// The template, split, with the two paths put in.
std::vector<std::string> EncoderArguments(const std::string& Source, const std::string& Dest);

// coder/ffmpeg beside the executable when that is an executable file, else "ffmpeg",
// looked up in PATH when started.
std::string EncoderPath();
