#include "cli/Manifest.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "device/Files.h"

namespace cli {

void WriteManifest(const std::string& Path, const TManifest& Manifest) {
  nlohmann::json sounds = nlohmann::json::array();
  for (size_t i = 0; i < Manifest.Sounds.size(); ++i) {
    const TPreparedSound& s = Manifest.Sounds[i];
    sounds.push_back({{"file", Manifest.Files.at(i)},
                      {"samples", s.SampleFile},
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
      m.Files.push_back(s.at("file").get<std::string>());
      m.Sounds.push_back(
          {s.at("samples").get<std::string>(), s.at("encoded_size").get<int64_t>(), s.at("address").get<int32_t>()});
    }
  } catch (const nlohmann::json::exception&) {
    throw std::runtime_error("Cannot read the prepared sounds in \"" + NativePath(Path) + "\"");
  }
  return m;
}

}  // namespace cli
