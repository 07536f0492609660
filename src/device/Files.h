#pragma once
// Files as the engine uses them: every failure is an error carrying the system's reason.
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

// Size of a named file, -1 when there is none.
int64_t FileSizeOf(const std::string& FileName);

// The path as the system shows it to a user (backslashes on Windows).
std::string NativePath(const std::string& Path);

// The last part of a path.
std::string BaseName(const std::string& Path);

// Why Path cannot be a sound file: empty when it is a regular file (a link is followed),
// else the system's reason or what it is ("it is a named pipe, not a sound file").
std::string NotASoundFile(const std::string& Path);

// Removes a file if it is there; true when it is gone.
bool RemoveFile(const std::string& Path);

// Replaces To with From.
void RenameFile(const std::string& From, const std::string& To);

// A failed file operation; SystemError is the errno value (0 when unknown).
class EFileError : public std::runtime_error {
 public:
  EFileError(const std::string& Message, int SystemError) : std::runtime_error(Message), error_(SystemError) {}
  int SystemError() const { return error_; }

 private:
  int error_;
};

// A binary file that closes itself, never inherited by a child. Open, read and write
// failures throw "Cannot <verb> file "<name>". <reason>".
class TFile {
 public:
  enum TMode { fmRead, fmWrite };
  TFile(const std::string& FileName, TMode Mode);
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;

  const std::string& FileName() const { return name_; }
  int64_t Size();
  int64_t Pos();
  void Seek(int64_t Pos);
  // Reads up to Count bytes; returns how many, 0 only at the end of the file.
  size_t Read(void* Buffer, size_t Count);
  void Write(const void* Buffer, size_t Count);
  // Flushes and closes; a failure to write the last bytes is an error here.
  void Close();

 private:
  [[noreturn]] void Fail(const char* Verb, int Error) const;
  std::string name_;
  std::FILE* file_ = nullptr;
};
