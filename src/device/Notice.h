#pragma once
// What the engine tells its user, as identifiers and arguments: the front end words them in
// the user's language (Wording.h). Identifiers and their names never change with the language.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

enum class TNoticeId {
  // The upload's phase (status panel 1).
  None,            // nothing to show
  EncodingRow,     // base name of the row's file
  EncodingFailed,
  NoFile,
  AllEncoded,
  Erasing,
  Uploading,
  Percent,         // of the sound in flight
  Addresses,
  // The device (status panel 2).
  Searching,
  SearchingPort,   // port
  Found,           // device name, port, megabytes, seconds
  NoDevice,
  NoPermission,    // port
  PortBusy,        // port
  PortBusyBy,      // port, the program holding it
  PlayFailed,      // the system's reason
  Completed,
  // Lines of messages.
  NoDeviceCheckUsb,
  TooLarge,
  Sizes,           // seconds and megabytes needed, seconds and megabytes the device holds
  EraseTimeout,
  EraseLate,
  CannotConvert,   // file
  NoSpace,         // folder
  NoEncoderOutput,
  NoSamples,
  Cancelled,
  DeviceStopped,   // port
  Disconnected,    // port
  UnexpectedReply, // port
  KeepsOldSounds,
  ErasedEmpty,
  PartOnly,
  AddressesNotSet,
  MayBeErased,
  Reason,          // a reason worded by the system or by a lower layer
  Interrupted,     // the user pressed Ctrl+C
  MustShrink,      // how much must go for the sounds to fit
  SoundsPrepared,  // how many
  SoundsNotPrepared,  // how many failed, of how many
  SharedAddress,   // the address
  SharedAddresses, // the addresses, with commas
  AcceptWithYes,
};

// A number worded with the locale's decimal separator.
struct TDecimal {
  double Value = 0;
  int Decimals = 1;
  bool operator==(const TDecimal&) const = default;
};
using TNoticeArg = std::variant<std::string, int64_t, TDecimal>;

struct TNotice {
  TNoticeId Id = TNoticeId::None;
  std::vector<TNoticeArg> Args{};
  bool operator==(const TNotice&) const = default;
};

// A message box's text: one notice per line.
using TNotices = std::vector<TNotice>;

// The identifier's stable name, as --json carries it ("Found", "DeviceStopped", ...).
const char* NoticeName(TNoticeId Id);
