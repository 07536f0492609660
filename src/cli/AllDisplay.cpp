#include "cli/AllDisplay.h"

#include <algorithm>
#include <cstdio>

#include "cli/ExitStatus.h"
#include "cli/JsonEvent.h"
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
  if (const std::string device = FoundDevice(E); event == "device" && !device.empty()) R.Device = device;
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
  }
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

TAllDisplay::TAllDisplay(const TCliArgs& Args, std::vector<std::string> Files)
    : mode_(OutputModeOf(Args)), line_(stderr), files_(std::move(Files)) {}

void TAllDisplay::Take(TDeviceRun& Run, const std::string& Line) {
  json e = json::parse(Line, nullptr, false);
  if (!e.is_object()) return;
  Apply(Run, e);
  if (mode_ == TOutputMode::Json) {
    e["port"] = Run.Port;
    EmitJsonEvent(e);
    return;
  }
  const std::string event = Text(e, "event"), text = Text(e, "text"), id = Text(e, "id");
  if (event == "phase") Show(Run, text);
  if (event == "device" && id != NoticeName(TNoticeId::Searching) && id != NoticeName(TNoticeId::SearchingPort))
    Show(Run, text);
  if (event == "row")
    Show(Run, std::to_string(e.value("row", 0)) + "/" + std::to_string(e.value("rows", 0)) + " " +
                  EscapeControls(Text(e, "file")) + ": " + StateText(Text(e, "state")));
}

void TAllDisplay::Show(const TDeviceRun& Run, const std::string& Text) {
  if (mode_ != TOutputMode::Plain || Text.empty()) return;
  std::fprintf(stderr, "[%s] %s\n", Run.Port.c_str(), EscapeNames(Text, files_).c_str());
}

void TAllDisplay::Refresh(const std::vector<TDeviceRun>& Runs) {
  if (mode_ != TOutputMode::Terminal || platform::TicksSince(refreshed_) < 200) return;
  refreshed_ = platform::GetTickCount();
  TProgressFigures all;
  std::string each;
  int devices = 0;
  for (const TDeviceRun& r : Runs) {
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
      devices.push_back({{"port", r->Port},
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
