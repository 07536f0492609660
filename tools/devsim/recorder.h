#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "devsim/devsim.h"

namespace devsim {

// What the device received, kept for the accessors and mirrored into the dump folder.
// Written by the serving thread only; read from any thread. Callers record an effect
// before its log line, so whoever waits for a line finds the effect in place.
class Recorder {
 public:
  explicit Recorder(std::string dump_dir);  // throws std::system_error

  void Log(std::string line);
  void EraseSounds();
  void StartSound();
  void AddSample(std::uint8_t sample);  // to the sound started last
  void EndSound();
  void Address(AddressCommand a);
  void Play(int n);
  void CountReceived(std::size_t n);
  void CountSent(std::size_t n);
  void SetIdle(bool idle);
  void SetHungUp();
  void Finish();  // writes a sound still open

  std::vector<std::string> LogLines() const;
  std::vector<std::vector<std::uint8_t>> Sounds() const;
  std::vector<AddressCommand> Addresses() const;
  std::vector<int> Plays() const;
  std::uint64_t Received() const;
  std::uint64_t Sent() const;
  bool Idle() const;
  bool HungUp() const;

  // Wait until the log has that many lines / holds that line; false on timeout.
  bool WaitLogSize(std::size_t lines, std::chrono::milliseconds timeout) const;
  bool WaitLogLine(const std::string& line, std::chrono::milliseconds timeout) const;

 private:
  void WriteSound(std::size_t index);  // lock held
  std::string Path(const std::string& name) const;
  void AppendFile(const std::string& name, const std::string& text);

  const std::string dump_dir_;
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> log_;
  std::vector<std::vector<std::uint8_t>> sounds_;
  bool sound_open_ = false;
  std::vector<AddressCommand> addresses_;
  std::vector<int> plays_;
  std::uint64_t received_ = 0;
  std::uint64_t sent_ = 0;
  bool idle_ = true;
  bool hung_up_ = false;
};

}  // namespace devsim
