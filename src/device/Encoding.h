#pragma once
// The encoding phase of the engine (used by the upload and by Encode alone).
#include <functional>
#include <string>
#include <vector>

#include "device/Engine.h"

class TDeviceEngine::TEncoding {
 public:
  // InFlight, when given, follows the row being encoded.
  TEncoding(TDeviceEngine& Engine, std::function<void(int)> SetProgress, int* InFlight = nullptr);

  // A file that does not convert stops the run here, before the device is touched, so the
  // device keeps its old sounds.
  bool Run(const std::vector<TUploadRow>& Rows, TPreparedSounds& Sounds);

 private:
  bool EncodeRow(int Row, const TUploadRow& Source, TPreparedSounds& Sounds);
  bool Refuse(int Row, const TUploadRow& Source, const std::string& Why);
  // Writes the samples of the encoder's file, and only they, with 0x00 (the end mark) as
  // 0x01. Returns their number, -1 when the disk is full; other failures are errors.
  int64_t PrepareSamples(const std::string& Encoded, const std::string& Target);

  TDeviceEngine& e_;
  TDeviceFrontEnd& f_;
  std::function<void(int)> progress_;
  int* inFlight_;
};
