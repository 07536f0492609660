#pragma once
// Minimal component and assignable bases, as the serial component expects from a toolkit.
#include <stdexcept>
#include <string>
#include <typeinfo>

// Raised when Assign is asked to copy between unrelated classes.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An object whose state can be copied from another of the same class with Assign.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Copies Source's state; the default refuses (classes that support it override).
  virtual void Assign(const TPersistent& Source) { AssignError(Source); }

 protected:
  [[noreturn]] void AssignError(const TPersistent& Source) const;
};

// Named component with an optional owner. The owner is informational: in C++ whoever holds the
// object (a unique_ptr, a member) frees it.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner = nullptr) : FOwner(AOwner) {}
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value) { FName = Value; }
  long Tag() const { return FTag; }
  void SetTag(long Value) { FTag = Value; }

 private:
  TComponent* FOwner;
  std::string FName;
  long FTag = 0;
};
