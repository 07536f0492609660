#include "device/EncoderCommand.h"

#include <cstdio>
#include <filesystem>

#include "device/Protocol.h"
#include "platform/exe_path.h"

std::vector<std::string> SplitArguments(const std::string& Text) {
  std::vector<std::string> out;
  std::string cur;
  bool quoted = false, have = false;
  for (const char c : Text) {
    if (c == '"') {
      quoted = !quoted;
      have = true;  // "" is an empty argument, not nothing
    } else if (c == ' ' && !quoted) {
      if (have) out.push_back(cur);
      cur.clear();
      have = false;
    } else {
      cur += c;
      have = true;
    }
  }
  if (have) out.push_back(cur);
  return out;
}

std::string ReplacePlaceholders(const std::string& Text,
                                const std::vector<std::pair<std::string, std::string>>& Values) {
  std::string out;
  size_t i = 0;
  while (i < Text.size()) {
    bool hit = false;
    for (const auto& [key, value] : Values) {
      if (!key.empty() && Text.compare(i, key.size(), key) == 0) {
        out += value;
        i += key.size();
        hit = true;
        break;
      }
    }
    if (!hit) out += Text[i++];
  }
  return out;
}

std::string DurationLimit(int64_t Capacity) {
  const int64_t ms = Capacity * 1000 / protocol::SampleRate + 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(ms / 1000), static_cast<long long>(ms % 1000));
  return text;
}

std::vector<std::string> EncoderArguments(const std::string& Source, const std::string& Dest, int64_t Capacity) {
  const auto absolute = [](const std::string& Path) { return std::filesystem::absolute(Path).string(); };
  std::vector<std::string> args = SplitArguments(EncoderTemplate);
  for (std::string& a : args)
    a = ReplacePlaceholders(a, {{"%SRC%", absolute(Source)}, {"%DST%", absolute(Dest)}, {"%MAX%", DurationLimit(Capacity)}});
  return args;
}

std::string EncoderPath() {
  const std::string local = platform::BundledProgram("coder", "ffmpeg");
  return local.empty() ? "ffmpeg" : local;
}
