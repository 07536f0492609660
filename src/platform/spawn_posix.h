#pragma once
// posix_spawn's file actions, released on every way out.
#include <spawn.h>

namespace platform {

class SpawnActions {
 public:
  SpawnActions() { posix_spawn_file_actions_init(&a_); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&a_); }
  SpawnActions(const SpawnActions&) = delete;
  SpawnActions& operator=(const SpawnActions&) = delete;
  posix_spawn_file_actions_t* get() { return &a_; }

 private:
  posix_spawn_file_actions_t a_;
};

}  // namespace platform
