#pragma once
// The running program's own file.
#include <string>

namespace platform {

// Full path of the running executable; empty when the system cannot tell.
std::string ExecutablePath();

// Its folder, with a trailing '/' ('\\' on Windows); empty when the path is unknown.
std::string ExecutableDir();

// A program shipped beside this one in its sub-folder Folder: <dir>/Folder/Name on Linux,
// <dir>\Folder\Name.exe on Windows. Empty when there is no such file or it cannot be run.
std::string BundledProgram(const std::string& Folder, const std::string& Name);

}  // namespace platform
