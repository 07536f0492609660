#include "lists/RecoveryFile.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <system_error>

#include "platform/atomic_file.h"

namespace lists {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

constexpr const char* kOrigin = "origin";

[[noreturn]] void Refuse(const char* Verb, const fs::path& File, const std::string& Why) {
  const std::u8string Name = File.generic_u8string();
  throw EListFileError(std::string("Cannot ") + Verb + " the sound list \"" + std::string(Name.begin(), Name.end()) + "\": " + Why + ".");
}

}  // namespace

void SaveRecoveredList(const fs::path& File, const TRecoveredList& List) {
  json Root = json::parse(FormatList(File, List.Rows));
  if (!List.Origin.empty()) {
    const std::u8string Origin = fs::absolute(List.Origin).generic_u8string();
    Root[kOrigin] = std::string(Origin.begin(), Origin.end());
  }
  try {
    platform::ReplaceFileAtomically(File, Root.dump(2) + "\n");
  } catch (const std::system_error& E) {
    Refuse("save", File, E.what());
  }
}

TRecoveredList LoadRecoveredList(const fs::path& File) {
  TRecoveredList List;
  List.Rows = LoadList(File);  // refuses what is not a list, with the list's own messages
  std::ifstream In(File, std::ios::binary);
  std::ostringstream Text;
  Text << In.rdbuf();
  const json Root = json::parse(Text.str(), nullptr, false);
  if (const auto Origin = Root.find(kOrigin); Origin != Root.end() && Origin->is_string()) {
    const std::string Utf8 = Origin->get<std::string>();
    List.Origin = fs::path(std::u8string(Utf8.begin(), Utf8.end()));
  }
  return List;
}

}  // namespace lists
