#pragma once
// Texts of the engine that its front ends recognise or repeat: one copy, so that they
// cannot drift apart.

namespace texts {

inline constexpr char Searching[] = "Searching device...";  // alone, or followed by " " and the port
inline constexpr char FoundOn[] = " found on ";             // the found text: name, this, port
inline constexpr char NoDevice[] = "No device found";
inline constexpr char NoDeviceCheckUsb[] = "No device found! Please check the USB connection and search again!";
inline constexpr char UploadCompleted[] = "Upload completed!";

}  // namespace texts
