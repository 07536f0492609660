#include "cli/TerminalText.h"

#include <algorithm>
#include <cstdio>

#include "device/Files.h"

namespace cli {
namespace {

bool IsC1Lead(const std::string& Text, size_t I) {
  return uint8_t(Text[I]) == 0xC2 && I + 1 < Text.size() && uint8_t(Text[I + 1]) >= 0x80 &&
         uint8_t(Text[I + 1]) <= 0x9F;
}

std::string Hex(uint8_t Byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", Byte);
  return text;
}

std::string Escape(const std::string& Text, bool KeepNewlines) {
  std::string out;
  for (size_t i = 0; i < Text.size(); ++i) {
    const uint8_t c = uint8_t(Text[i]);
    if (c == '\n' && KeepNewlines) out += '\n';
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else if (c < 0x20 || c == 0x7F) out += Hex(c);
    else if (IsC1Lead(Text, i)) out += Hex(c) + Hex(uint8_t(Text[++i]));
    else out += char(c);
  }
  return out;
}

}  // namespace

std::string EscapeControls(const std::string& Text) { return Escape(Text, false); }

std::string EscapeNames(const std::string& Text, const std::vector<std::string>& Files) {
  std::vector<std::string> names;
  for (const std::string& f : Files)
    for (const std::string& name : {f, NativePath(f), BaseName(f)})
      if (!name.empty() && EscapeControls(name) != name) names.push_back(name);
  // The longest first: a base name within a whole path is escaped with it.
  std::sort(names.begin(), names.end(), [](const auto& A, const auto& B) { return A.size() > B.size(); });
  std::string text = Text;
  for (const std::string& name : names) {
    const std::string escaped = EscapeControls(name);
    for (size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += escaped.size())
      text.replace(at, name.size(), escaped);
  }
  return Escape(text, true);
}

}  // namespace cli
