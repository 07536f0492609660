#pragma once
// Runs kestrilo-cli as a user would, against simulators named in KESTRILO_PORTS, with its
// temporary folders in a private TMPDIR.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/ChildPipe.h"
#include "devsim/devsim.h"
#include "platform/temp_dir.h"
#include "quick_device.h"
#include "wav_fixture.h"

namespace clitest {

using fixtures::QuickDevice;

struct TCliRun {
  bool ended = false;   // within the deadline
  bool exited = false;  // by exit(), not by a signal
  int status = -1;
  std::string output;                  // standard output and error
  std::vector<nlohmann::json> events;  // the lines that are JSON objects

  // The events of one kind, in order.
  std::vector<nlohmann::json> Of(const std::string& Event) const {
    std::vector<nlohmann::json> out;
    for (const auto& e : events)
      if (e.value("event", "") == Event) out.push_back(e);
    return out;
  }
  bool Says(const std::string& Text) const { return output.find(Text) != std::string::npos; }
};

// A folder for sounds and lists, and TMPDIR for the runs while it lives.
class TCliRig {
 public:
  TCliRig() : tmp_(dir_.Path() + "tmp") {
    platform::RunTempDir();  // this process's own stays out of the runs' folder
    std::filesystem::create_directory(tmp_);
    setenv("TMPDIR", tmp_.c_str(), 1);
    setenv("KESTRILO_VERSION_WAIT_MS", "1500", 1);  // a simulator starved on a loaded machine still answers
  }
  ~TCliRig() {
    unsetenv("KESTRILO_VERSION_WAIT_MS");
    unsetenv("TMPDIR");
    unsetenv("KESTRILO_PORTS");
  }
  void Ports(const std::string& Ports) { setenv("KESTRILO_PORTS", Ports.c_str(), 1); }
  std::string Path(const std::string& Name) const { return dir_.Path() + Name; }
  std::string Wav(const std::string& Name, const std::vector<uint8_t>& Samples) const {
    fixtures::WriteWav(Path(Name), Samples);
    return Path(Name);
  }
  // What the runs left in their temporary folder.
  bool TempLeftovers() const { return !std::filesystem::is_empty(tmp_); }

  // OnLine sees each line as it comes, with the running child.
  TCliRun Run(const std::vector<std::string>& Args, int TimeoutMs = 120000,
              const std::function<void(cli::TChildPipe&, const std::string&)>& OnLine = {}) const {
    TCliRun r;
    cli::TChildPipe child(KESTRILO_CLI, Args, true);
    r.ended = child.Finish(TimeoutMs, [&](const std::string& Line) {
      r.output += Line + "\n";
      const auto j = nlohmann::json::parse(Line, nullptr, false);
      if (j.is_object()) r.events.push_back(j);
      if (OnLine) OnLine(child, Line);
    });
    r.exited = child.Exited();
    r.status = child.ExitCode();
    return r;
  }

 private:
  platform::TTempDir dir_;
  std::string tmp_;
};

}  // namespace clitest
