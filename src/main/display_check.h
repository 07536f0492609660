#pragma once
#include <string>

// Why the program cannot show a window here, or an empty text when it can: without a display
// (neither DISPLAY nor WAYLAND_DISPLAY) and no platform chosen by QT_QPA_PLATFORM, Qt would
// abort with a long plugin trace instead.
std::string MissingDisplayReason();
