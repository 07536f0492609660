#pragma once
// What kestrilo-devsim (started by run_under_wine.sh) wrote to its dump folder, read through
// Wine's drive Z: (the Linux root).
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

inline std::string DumpFile(const std::string& Name) {
  const char* dir = std::getenv("KESTRILO_DEVSIM_DUMP");
  std::ifstream in("Z:" + std::string(dir ? dir : "/nonexistent") + "/" + Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether the session log has this line yet.
inline bool SessionHas(const std::string& Line) {
  std::string log = "\n";
  log += DumpFile("session.log");
  return log.find("\n" + Line + "\n") != std::string::npos;
}
