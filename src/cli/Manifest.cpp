#include "cli/Manifest.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "device/Files.h"

namespace cli {
namespace {

// A path is a string when it is valid UTF-8, as JSON needs; otherwise its bytes as numbers,
// so that every name the system allows comes back exactly.
nlohmann::json PathValue(const std::string& Path) {
  try {
    (void)nlohmann::json(Path).dump();
    return Path;
  } catch (const nlohmann::json::type_error&) {
    return std::vector<uint8_t>(Path.begin(), Path.end());
  }
}

std::string PathOf(const nlohmann::json& Value) {
  if (Value.is_string()) return Value.get<std::string>();
  const auto bytes = Value.get<std::vector<uint8_t>>();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

void WriteManifest(const std::string& Path, const TManifest& Manifest) {
  nlohmann::json sounds = nlohmann::json::array();
  for (size_t i = 0; i < Manifest.Sounds.size(); ++i) {
    const TPreparedSound& s = Manifest.Sounds[i];
    sounds.push_back({{"file", PathValue(Manifest.Files.at(i))},
                      {"samples", PathValue(s.SampleFile)},
                      {"encoded_size", s.EncodedSize},
                      {"address", s.Address}});
  }
  const std::string text = nlohmann::json{{"sounds", sounds}}.dump(1) + "\n";
  TFile file(Path, TFile::fmWrite);
  file.Write(text.data(), text.size());
  file.Close();
}

TManifest ReadManifest(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
  TManifest m;
  try {
    for (const auto& s : j.at("sounds")) {
      m.Files.push_back(PathOf(s.at("file")));
      m.Sounds.push_back(
          {PathOf(s.at("samples")), s.at("encoded_size").get<int64_t>(), s.at("address").get<int32_t>()});
    }
  } catch (const nlohmann::json::exception&) {
    throw std::runtime_error("Cannot read the prepared sounds in \"" + NativePath(Path) + "\"");
  }
  return m;
}

}  // namespace cli
