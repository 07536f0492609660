#pragma once
// An engine with a recording front end, pointed at one simulated device.
#include <string>
#include <vector>

#include "devsim/devsim.h"
#include "device/Engine.h"
#include "platform/temp_dir.h"
#include "quick_device.h"
#include "recording_front_end.h"
#include "wav_fixture.h"

struct UploadRig {
  explicit UploadRig(devsim::Options O, TEngineTimeouts T = {}) : sim(O), ports(sim.SlavePath()), engine(ui, T) {}
  std::string Wav(const std::string& Name, const std::vector<uint8_t>& Samples) {
    const std::string path = dir.Path() + Name;
    fixtures::WriteWav(path, Samples);
    return path;
  }
  // The run's events after the search.
  std::vector<std::string> AfterSearch() const {
    std::vector<std::string> out;
    for (const auto& e : ui.Events)
      if (e.rfind("panel2 Searching", 0) != 0 && e.find(" found on ") == std::string::npos) out.push_back(e);
    return out;
  }

  devsim::Simulator sim;
  TScopedPorts ports;
  TRecordingFrontEnd ui;
  TDeviceEngine engine;
  platform::TTempDir dir;
};

