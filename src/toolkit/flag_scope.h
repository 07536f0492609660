#pragma once

// Holds a flag for the length of a scope, also when the scope is left by an error.
class FlagScope {
 public:
  explicit FlagScope(bool& Flag) : Flag_(Flag) { Flag_ = true; }
  ~FlagScope() { Flag_ = false; }
  FlagScope(const FlagScope&) = delete;
  FlagScope& operator=(const FlagScope&) = delete;

 private:
  bool& Flag_;
};
