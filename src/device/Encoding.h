#pragma once
// The encoding phase of the engine (used by the upload and by Encode alone).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/Engine.h"
#include "sound/ParallelPrepare.h"

class TDeviceEngine::TEncoding {
 public:
  // InFlight, when given, follows the row being encoded. Capacity bounds what the encoder
  // writes: by default the found device's, the largest a device can have when none was found.
  TEncoding(TDeviceEngine& Engine, std::function<void(int)> SetProgress, int* InFlight = nullptr,
            std::optional<int64_t> Capacity = std::nullopt);

  // A row that is not a regular file (missing, a pipe, a device, a folder) is refused here,
  // before the search: the encoder would wait on it or read it without end.
  bool Screen(const std::vector<TUploadRow>& Rows);

  // A file that does not convert stops the run here, before the device is touched, so the
  // device keeps its old sounds.
  bool Run(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds);

 private:
  // Shows the row's states in list order while the encoders run ahead of it.
  bool EncodeRow(int Row, const TUploadRow& Source, sound::TParallelPrepare& Preparing, TPreparedSounds& Sounds);
  bool Refuse(int Row, const TUploadRow& Source, const TNotice& Why);

  TDeviceEngine& e_;
  TDeviceFrontEnd& f_;
  std::function<void(int)> progress_;
  int* inFlight_;
  int64_t capacity_;
};
