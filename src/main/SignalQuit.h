#pragma once
// Termination signals (SIGTERM, SIGINT, SIGHUP) end the program through its normal
// clean-up instead of killing it: the port is closed and the temporary folder removed.
#include <functional>

// Calls OnSignal on the UI thread, from the event loop, whenever one of them arrives.
// Call once, after the QApplication exists.
void InstallSignalQuit(std::function<void()> OnSignal);
