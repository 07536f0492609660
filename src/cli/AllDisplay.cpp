#include "cli/AllDisplay.h"

#include <algorithm>
#include <cstdio>

#include "cli/Arguments.h"
#include "cli/ExitStatus.h"
#include "cli/JsonEvent.h"
#include "cli/LoadLogging.h"
#include "cli/Progress.h"
#include "cli/Reporter.h"
#include "cli/TerminalText.h"
#include "i18n/Translate.h"
#include "platform/ticks.h"

namespace cli {
namespace {

using json = nlohmann::ordered_json;

const std::string kNoDeviceName = OutcomeName(TUploadOutcome::NoDevice);
const std::string kCancelledName = OutcomeName(TUploadOutcome::Cancelled);

std::string Text(const json& E, const char* Key) {
  const auto it = E.find(Key);
  return it != E.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// Why the search could not probe a port: a port in use, or without permission.
bool IsSearchProblem(const std::string& Id) {
  return Id == NoticeName(TNoticeId::PortBusy) || Id == NoticeName(TNoticeId::PortBusyBy) ||
         Id == NoticeName(TNoticeId::NoPermission);
}

// The found device's name: the first argument of its notice.
std::string FoundDevice(const json& E) {
  if (Text(E, "id") != NoticeName(TNoticeId::Found)) return {};
  const auto args = E.find("args");
  return args != E.end() && args->is_array() && !args->empty() && (*args)[0].is_string() ? (*args)[0].get<std::string>()
                                                                                        : std::string();
}

// The run's state after one of its child's events.
void Apply(TDeviceRun& R, const json& E) {
  const std::string event = Text(E, "event");
  if (event == "phase") R.Phase = Text(E, "text");
  if (event == "message") R.Message = Text(E, "text");
  if (const std::string device = FoundDevice(E); event == "device" && !device.empty()) {
    R.Device = device;
    if (E["args"].size() > 2 && E["args"][2].is_number()) R.MemoryMb = E["args"][2].dump();
  }
  if (event == "device" && IsSearchProblem(Text(E, "id"))) R.Problem = Text(E, "text");
  if (event == "progress") {
    R.Bytes = E.value("bytes", int64_t(0));
    R.Total = E.value("total", int64_t(0));
    R.Rate = E.value("rate", 0.0);
    R.Left = E["left"].is_number() ? E["left"].get<double>() : -1.0;
    R.Phase = PercentText(E.value("percent", 0.0));
  }
  if (event == "outcome") {
    R.Outcome = Text(E, "outcome");
    R.Status = E.value("status", int(esError));
    if (const std::string device = Text(E, "device"); !device.empty()) R.Device = device;
    R.Seconds = E.value("seconds", 0.0);
    R.OutcomeText = Text(E, "text");
  }
}

nlohmann::ordered_json AdapterJson(const platform::TPortIdentity& A) {
  return {{"vendor_id", A.VendorId}, {"product_id", A.ProductId}, {"manufacturer", A.Manufacturer},
          {"product", A.Product},    {"serial_number", A.SerialNumber}, {"driver", A.Driver},
          {"usb_path", A.UsbPath},   {"stable_names", A.StableNames}};
}

std::string CountsText(const fleet::TCounts& C) {
  return i18n::Fill(i18n::Tr("%1 done, %2 failed, %3 running"),
                    {std::to_string(C.Done), std::to_string(C.Failed), std::to_string(C.Running)});
}

// The names of the row states as this display words them.
const char* const kStateNames[] = {i18n::Marked("Idle"),      i18n::Marked("Encoding"), i18n::Marked("Encoded"),
                                   i18n::Marked("Uploading"), i18n::Marked("Done"),     i18n::Marked("Failed")};

std::string StateText(const std::string& Name) {
  for (const char* known : kStateNames)
    if (Name == known) return i18n::Tr(known);
  return Name;
}

std::string Seconds(double S) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", S);
  return text;
}

}  // namespace

bool TDeviceRun::Listed() const {
  return !Device.empty() || !Problem.empty() || (Outcome != kNoDeviceName && Outcome != kCancelledName);
}

std::string TDeviceRun::Failure() const { return Outcome == kNoDeviceName && !Problem.empty() ? Problem : Message; }

std::string TDeviceRun::Reason() const {
  if (Status == esCompleted) return OutcomeText;
  for (const std::string& r : {Failure(), OutcomeText, ErrorLine})
    if (!r.empty()) return r;
  return {};
}

fleet::TResult TDeviceRun::Result() const {
  if (!Listed()) return fleet::TResult::NoDevice;
  return Status == esCompleted ? fleet::TResult::Done : fleet::TResult::Failed;
}

TAllDisplay::TAllDisplay(const TCliArgs& Args, std::vector<std::string> Files)
    : mode_(OutputModeOf(Args)), watch_(Args.Watch), line_(stderr), block_(stderr), files_(std::move(Files)) {}

bool TAllDisplay::Take(TDeviceRun& Run, const std::string& Line) {
  json e = json::parse(Line, nullptr, false);
  if (!e.is_object()) {
    ErrorLine(Run, Line);
    return true;
  }
  if (!Run.Greeted) {
    const int version = Text(e, "event") == "protocol" && e["version"].is_number_integer() ? e["version"].get<int>() : 0;
    if (version != kChildProtocol) {
      Run.Outcome = kErrorName;
      Run.Status = esError;
      Run.Message = i18n::Fill(i18n::Tr("The upload program for %1 speaks protocol version %2 instead of %3: parts "
                                        "of two installations of Kestrilo are mixed"),
                               {Run.Port, version == 0 ? "?" : std::to_string(version), std::to_string(kChildProtocol)});
      return false;
    }
    Run.Greeted = true;
    return true;
  }
  Apply(Run, e);
  if (mode_ == TOutputMode::Json) {
    e["port"] = Run.Path;
    e["attempt"] = Run.Attempt;
    EmitJsonEvent(e);
    return true;
  }
  const std::string event = Text(e, "event"), text = Text(e, "text"), id = Text(e, "id");
  if (event == "phase") Show(Run, text);
  if (event == "device" && id != NoticeName(TNoticeId::Searching) && id != NoticeName(TNoticeId::SearchingPort))
    Show(Run, text);
  if (event == "row")
    Show(Run, std::to_string(e.value("row", 0)) + "/" + std::to_string(e.value("rows", 0)) + " " +
                  EscapeControls(Text(e, "file")) + ": " + StateText(Text(e, "state")));
  return true;
}

// A child's standard error: above the status, never over it; the last is kept as a reason.
void TAllDisplay::ErrorLine(TDeviceRun& Run, const std::string& Line) {
  if (Line.find_first_not_of(" \t\r") == std::string::npos) return;
  Run.ErrorLine = Line;
  if (mode_ == TOutputMode::Json)
    EmitJsonEvent({{"event", "stderr"}, {"port", Run.Path}, {"attempt", Run.Attempt}, {"line", Line}});
  else if (mode_ != TOutputMode::Quiet)
    Print(watch_ ? "[" + Run.Port + "] " + EscapeControls(Line) : EscapeControls(Line));
}

void TAllDisplay::Print(const std::string& Text) {
  line_.Clear();
  block_.Clear();
  std::fprintf(stderr, "%s\n", Text.c_str());
  refreshed_ = platform::GetTickCount() - 1000;  // the status comes back at once
}

void TAllDisplay::Attempt(const TDeviceRun& Run) {
  if (mode_ == TOutputMode::Json) {
    json e{{"event", "attempt"}, {"port", Run.Path}, {"label", Run.Port}, {"attempt", Run.Attempt}};
    if (Run.Adapter.IsUsb()) e["adapter"] = AdapterJson(Run.Adapter);
    EmitJsonEvent(e);
  } else if (watch_ && mode_ != TOutputMode::Quiet) {
    const std::string adapter = platform::DescribeAdapter(Run.Adapter);
    Print("[" + Run.Port + "] " + i18n::Fill(i18n::Tr("Attempt %1"), {std::to_string(Run.Attempt)}) +
          (adapter.empty() ? "" : ": " + adapter));
  }
}

void TAllDisplay::Ended(const TDeviceRun& Run) {
  if (mode_ == TOutputMode::Json) {
    EmitJsonEvent({{"event", "ended"}, {"port", Run.Path}, {"label", Run.Port}, {"attempt", Run.Attempt},
                   {"device", Run.Device}, {"outcome", Run.Outcome}, {"status", Run.Status},
                   {"seconds", Run.Seconds}, {"reason", Run.Reason()}});
  } else if (watch_ && mode_ != TOutputMode::Quiet) {
    const std::string reason = Run.Status == esCompleted ? std::string() : Run.Reason();
    Print("[" + Run.Port + "] " + Run.Outcome + " (" + Seconds(Run.Seconds) + " s)" +
          (reason.empty() ? "" : ": " + EscapeNames(OneLine(reason), files_)));
  }
}

void TAllDisplay::Unplugged(const std::string& Path) {
  if (mode_ == TOutputMode::Json)
    EmitJsonEvent({{"event", "unplugged"}, {"port", Path}});
  else if (watch_ && mode_ != TOutputMode::Quiet)
    Print("[" + Path + "] " + i18n::Tr("Unplugged"));
}

void TAllDisplay::Counts(const fleet::TCounts& C) {
  if (mode_ == TOutputMode::Json)
    EmitJsonEvent({{"event", "counts"}, {"done", C.Done}, {"failed", C.Failed}, {"running", C.Running}});
  else if (watch_ && mode_ == TOutputMode::Plain)
    Print(CountsText(C));
}

void TAllDisplay::Watching(bool Watching) {
  if (mode_ == TOutputMode::Json)
    EmitJsonEvent({{"event", Watching ? "watching" : "stopped-watching"}});
  else if (mode_ != TOutputMode::Quiet)
    Print(Watching ? i18n::Tr("Watching for devices plugged in; Ctrl+C stops watching.")
                   : i18n::Tr("Stopped watching; the running uploads finish. Ctrl+C again cancels them."));
}

void TAllDisplay::RefreshWatch(const std::vector<const TDeviceRun*>& Runs, const fleet::TCounts& Counts) {
  std::vector<std::string> lines;
  for (const TDeviceRun* r : Runs) {
    const std::string phase = r->Phase.empty() ? i18n::Tr("Searching devices...") : StateText(r->Phase);
    std::string line = r->Port + "  " + phase;
    if (r->Left >= 0 && r->Total > 0) line += "  " + LeftText(r->Left);
    lines.push_back(line);
  }
  lines.push_back(CountsText(Counts));
  block_.Show(lines);
}

void TAllDisplay::Show(const TDeviceRun& Run, const std::string& Text) {
  if (mode_ != TOutputMode::Plain || Text.empty()) return;
  std::fprintf(stderr, "[%s] %s\n", Run.Port.c_str(), EscapeNames(Text, files_).c_str());
}

void TAllDisplay::Refresh(const std::vector<const TDeviceRun*>& Runs, const fleet::TCounts& Counts) {
  if (mode_ != TOutputMode::Terminal || platform::TicksSince(refreshed_) < 200) return;
  refreshed_ = platform::GetTickCount();
  if (watch_) return RefreshWatch(Runs, Counts);
  TProgressFigures all;
  std::string each;
  int devices = 0;
  for (const TDeviceRun* run : Runs) {
    const TDeviceRun& r = *run;
    if (!r.Listed() || r.Device.empty()) continue;
    ++devices;
    all.Bytes += r.Bytes;
    all.Total += r.Total;
    all.Rate += r.Rate;
    all.SecondsLeft = std::max(all.SecondsLeft, r.Left);
    each += " | " + r.Port + " " + (r.Outcome.empty() ? r.Phase : r.Outcome);
  }
  std::string text =
      devices == 0 ? i18n::Tr("Searching devices...")
                   : i18n::Fill(devices == 1 ? i18n::Tr("%1 device") : i18n::Tr("%1 devices"), {std::to_string(devices)});
  if (all.Total > 0) text += " | " + PercentText(all.Percent());
  for (const std::string& part : {RateText(all.Rate), LeftText(all.SecondsLeft)})
    if (!part.empty()) text += " | " + part;
  line_.Show(text + each);
}

int TAllDisplay::Finish(const std::vector<TDeviceRun>& Runs, bool CtrlC) {
  line_.Clear();
  block_.Clear();
  std::vector<const TDeviceRun*> listed;
  for (const TDeviceRun& r : Runs)
    if (r.Listed()) listed.push_back(&r);
  int status = esCompleted;
  bool cancelled = false;
  for (const TDeviceRun* r : listed) {
    if (r->Status != esCompleted && status == esCompleted) status = r->Status;
    cancelled = cancelled || r->Status == esCancelled;
  }
  // A Ctrl+C that came after every upload had ended cancelled none of them.
  if (listed.empty()) status = CtrlC ? esCancelled : esNoDevice;
  if (cancelled) status = esCancelled;

  if (mode_ == TOutputMode::Json) {
    json devices = json::array();
    for (const TDeviceRun* r : listed) {
      devices.push_back({{"port", r->Path},
                         {"label", r->Port},
                         {"attempts", r->Attempts},
                         {"device", r->Device},
                         {"outcome", r->Outcome},
                         {"status", r->Status},
                         {"seconds", r->Seconds}});
      if (!r->Problem.empty()) devices.back()["problem"] = r->Problem;
    }
    EmitJsonEvent({{"event", "outcome"}, {"status", status}, {"devices", devices}});
    return status;
  }
  if (listed.empty()) {
    const TNotice news{CtrlC ? TNoticeId::Interrupted : TNoticeId::NoDeviceCheckUsb};
    std::fprintf(stderr, "%s\n", Word(news).c_str());
    return status;
  }
  size_t port = 4, device = 6;
  for (const TDeviceRun* r : listed) {
    port = std::max(port, r->Port.size());
    device = std::max(device, r->Device.size());
  }
  const auto row = [&](const std::string& P, const std::string& D, const std::string& O, const std::string& S) {
    std::printf("%-*s  %-*s  %-14s %7s\n", int(port), P.c_str(), int(device), D.c_str(), O.c_str(), S.c_str());
  };
  row(i18n::Tr("PORT"), i18n::Tr("DEVICE"), i18n::Tr("OUTCOME"), i18n::Tr("SECONDS"));
  for (const TDeviceRun* r : listed) row(r->Port, r->Device, r->Outcome, Seconds(r->Seconds));
  std::fflush(stdout);
  for (const TDeviceRun* r : listed)
    if (r->Status != esCompleted && !r->Failure().empty())
      std::fprintf(stderr, "%s: %s\n", r->Port.c_str(), EscapeNames(r->Failure(), files_).c_str());
  return status;
}

}  // namespace cli
