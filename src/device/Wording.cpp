#include "device/Wording.h"

#include <clocale>
#include <cstdio>

#include "device/Protocol.h"
#include "i18n/Translate.h"

namespace {

struct TWording {
  TNoticeId Id;
  const char* Name;
  const char* English;  // %1, %2, ... are the arguments
};

using i18n::Marked;

// One row per identifier, in the enumeration's order.
const TWording kWordings[] = {
    {TNoticeId::None, "None", ""},
    {TNoticeId::EncodingRow, "EncodingRow", Marked("Encoding %1...")},
    {TNoticeId::EncodingFailed, "EncodingFailed", Marked("Encoding failed!")},
    {TNoticeId::NoFile, "NoFile", Marked("No file!")},
    {TNoticeId::AllEncoded, "AllEncoded", Marked("All files encoded!")},
    {TNoticeId::Erasing, "Erasing", Marked("Erasing device flash...")},
    {TNoticeId::Uploading, "Uploading", Marked("Uploading data...")},
    // TRANSLATORS: the share of the sound being sent, for example "45.23%".
    {TNoticeId::Percent, "Percent", Marked("%1%")},
    {TNoticeId::Addresses, "Addresses", Marked("Configuring digital addresses...")},
    {TNoticeId::Searching, "Searching", Marked("Searching device...")},
    {TNoticeId::SearchingPort, "SearchingPort", Marked("Searching device... %1")},
    // TRANSLATORS: %1 device name, %2 port, %3 megabytes, %4 seconds of sound.
    {TNoticeId::Found, "Found", Marked("%1 found on %2 (%3 MB / %4 sec)")},
    {TNoticeId::NoDevice, "NoDevice", Marked("No device found")},
    {TNoticeId::NoPermission, "NoPermission",
     Marked("No permission to open %1: add your user to the dialout group and log in again")},
    {TNoticeId::PortBusy, "PortBusy", Marked("%1 is in use by another program")},
    {TNoticeId::PortBusyBy, "PortBusyBy", Marked("%1 is in use by another program (%2)")},
    {TNoticeId::PlayFailed, "PlayFailed", Marked("No device found: %1")},
    {TNoticeId::Completed, "Completed", Marked("Upload completed!")},
    {TNoticeId::NoDeviceCheckUsb, "NoDeviceCheckUsb",
     Marked("No device found! Please check the USB connection and search again!")},
    {TNoticeId::TooLarge, "TooLarge", Marked("The files total length larger than device memory!")},
    // TRANSLATORS: seconds and megabytes the sounds need, then those the device holds.
    {TNoticeId::Sizes, "Sizes", Marked("The sounds need %1 s (%2 MB); the device holds %3 s (%4 MB).")},
    {TNoticeId::EraseTimeout, "EraseTimeout", Marked("Timeout error!")},
    {TNoticeId::EraseLate, "EraseLate",
     Marked("The device did not report the end of the erase in time; it may hold no sounds now and needs a new "
            "upload.")},
    {TNoticeId::CannotConvert, "CannotConvert", Marked("Cannot convert \"%1\":")},
    {TNoticeId::NoSpace, "NoSpace", Marked("No space left on device in %1")},
    {TNoticeId::NoEncoderOutput, "NoEncoderOutput", Marked("the encoder wrote no file")},
    {TNoticeId::NoSamples, "NoSamples", Marked("the sound holds no samples")},
    {TNoticeId::Cancelled, "Cancelled", Marked("Upload cancelled.")},
    {TNoticeId::DeviceStopped, "DeviceStopped", Marked("The device stopped accepting data on %1.")},
    {TNoticeId::Disconnected, "Disconnected", Marked("The device on %1 was disconnected.")},
    {TNoticeId::UnexpectedReply, "UnexpectedReply",
     Marked("The device on %1 answered the erase with data the sound player never sends; it may be another device.")},
    {TNoticeId::KeepsOldSounds, "KeepsOldSounds", Marked("The device keeps its old sounds.")},
    {TNoticeId::ErasedEmpty, "ErasedEmpty",
     Marked("The device was erased and holds no sounds now; it needs a new upload.")},
    {TNoticeId::PartOnly, "PartOnly", Marked("The device now holds only part of the sounds and needs a new upload.")},
    {TNoticeId::AddressesNotSet, "AddressesNotSet",
     Marked("Every sound was sent, but the digital addresses were not set; the device needs a new upload.")},
    {TNoticeId::MayBeErased, "MayBeErased", Marked("The device may have been erased; it then needs a new upload.")},
    {TNoticeId::Reason, "Reason", "%1"},
    {TNoticeId::Interrupted, "Interrupted", Marked("Cancelled.")},
    {TNoticeId::MustShrink, "MustShrink", Marked("To fit, the sounds must be %1 shorter.")},
    {TNoticeId::SoundsPrepared, "SoundsPrepared", Marked("%1 sounds prepared.")},
    {TNoticeId::SoundsNotPrepared, "SoundsNotPrepared", Marked("%1 of %2 sounds could not be prepared.")},
    {TNoticeId::SharedAddress, "SharedAddress",
     Marked("More than one row has the digital address %1; the device cannot tell them apart.")},
    {TNoticeId::SharedAddresses, "SharedAddresses",
     Marked("More than one row has the digital addresses %1; the device cannot tell them apart.")},
    {TNoticeId::AcceptWithYes, "AcceptWithYes", Marked("Give --yes to upload them anyway.")},
};

const TWording& WordingOf(TNoticeId Id) {
  const auto i = size_t(Id);
  return i < std::size(kWordings) && kWordings[i].Id == Id ? kWordings[i] : kWordings[0];
}

std::string ArgText(const TNoticeArg& Arg) {
  if (const auto* s = std::get_if<std::string>(&Arg)) return *s;
  if (const auto* n = std::get_if<int64_t>(&Arg)) return std::to_string(*n);
  const TDecimal& d = std::get<TDecimal>(Arg);
  return WordDecimal(d.Value, d.Decimals);
}

}  // namespace

const char* NoticeName(TNoticeId Id) { return WordingOf(Id).Name; }

std::string Word(const TNotice& Notice) {
  const TWording& w = WordingOf(Notice.Id);
  if (!*w.English) return {};
  std::vector<std::string> args;
  for (const TNoticeArg& a : Notice.Args) args.push_back(ArgText(a));
  std::string pattern = Notice.Id == TNoticeId::Reason ? std::string(w.English) : i18n::Tr(w.English);
  const auto arg = [&args](size_t i) { return i < args.size() ? std::string_view(args[i]) : std::string_view(); };
  return i18n::Fill(pattern, {arg(0), arg(1), arg(2), arg(3), arg(4)});
}

std::string Word(const TNotices& Message) {
  std::string text;
  for (const TNotice& line : Message) text += (text.empty() ? "" : "\n") + Word(line);
  return text;
}

std::string WordRowState(TRowState State) {
  switch (State) {
    case rsIdle: return i18n::Tr("Idle");
    case rsEncoding: return i18n::Tr("Encoding...");
    case rsEncoded: return i18n::Tr("Encoded");
    case rsUploading: return i18n::Tr("Uploading");
    case rsDone: return i18n::Tr("Done");
    case rsFailed: return i18n::Tr("Failed");
  }
  return i18n::Tr("Unknown");
}

std::string WordDecimal(double Value, int Decimals) { return WordDecimal(Value, Decimals, i18n::DecimalPoint()); }

std::string WordDecimal(double Value, int Decimals, const std::string& Separator) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", Decimals, Value);
  std::string s = text;
  // Formatted under whatever locale the process runs; the separator is the one chosen.
  const char* sep = std::localeconv()->decimal_point;
  const std::string current = sep && *sep ? sep : ".";
  if (const auto at = s.find(current); at != std::string::npos) s.replace(at, current.size(), Separator);
  return s;
}

TDecimal SecondsOf(int64_t Bytes) { return {double(Bytes) / protocol::SampleRate, 1}; }
TDecimal MegabytesOf(int64_t Bytes) { return {double(Bytes) / 1048576.0, 1}; }

void TDeviceFrontEnd::ShowPhase(const TNotice& Phase) { ShowPanelText(1, Word(Phase)); }
void TDeviceFrontEnd::ShowDeviceNews(const TNotice& News) { ShowPanelText(2, Word(News)); }
void TDeviceFrontEnd::ShowMessage(const TNotices& Message) { ShowMessage(Word(Message)); }
