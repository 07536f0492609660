#pragma once
// What the device engine asks of the program that shows its work: the window, the
// command-line tool or a test. The engine has no thread of its own: every call comes from
// the thread that made the engine (the program's main thread), inside a search, sound test
// or upload started there.
#include <cstdint>
#include <functional>
#include <string>

#include "device/Notice.h"

// State codes of a row, as the list stores them.
enum TRowState : int { rsIdle = 0, rsEncoding = 1, rsEncoded = 2, rsUploading = 3, rsDone = 4, rsFailed = 5 };

// A row's state by its stable name, in English: "Idle", "Encoding...", ..., "Failed";
// WordRowState (Wording.h) words it for the user.
inline const char* ListStateText(TRowState State) {
  switch (State) {
    case rsIdle: return "Idle";
    case rsEncoding: return "Encoding...";
    case rsEncoded: return "Encoded";
    case rsUploading: return "Uploading";
    case rsDone: return "Done";
    case rsFailed: return "Failed";
  }
  return "Unknown";
}

class TDeviceFrontEnd {
 public:
  virtual ~TDeviceFrontEnd() = default;

  // What happened, for status panel 1 (the upload's phase and percentage) or 2 (the
  // device). By default worded in the user's language and shown as a panel's text.
  virtual void ShowPhase(const TNotice& Phase);
  virtual void ShowDeviceNews(const TNotice& News);
  // The worded form, for a front end that only shows texts.
  virtual void ShowPanelText(int /*Index*/, const std::string& /*Text*/) {}
  virtual void ShowProgressMaximum(int Maximum) = 0;
  virtual void ShowProgress(int Value) = 0;
  // Row is the position in the list handed to the upload, from 0.
  virtual void ShowRowState(int Row, TRowState State) = 0;
  // The controls that start a search or an upload; off while an upload runs.
  virtual void EnableControls(bool Enabled) = 0;
  // Where the data phase of the whole upload stands: Sent of Total sample bytes. Called
  // when it starts, whenever the shown percentage changes, and when the last byte is sent.
  virtual void ShowUploadPosition(int64_t /*Sent*/, int64_t /*Total*/) {}
  // A message the user must read, one notice per line; returns when it has been read. By
  // default worded and shown as a text.
  virtual void ShowMessage(const TNotices& Message);
  virtual void ShowMessage(const std::string& /*Text*/) {}

  // Handles every pending event (the port's hand-overs among them) and returns.
  virtual void PumpEvents() = 0;
  // Handles events as they come until Done() holds (checked after each round) or
  // Milliseconds have passed on the tick counter since Start; sleeps while none come.
  virtual bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) = 0;
};
