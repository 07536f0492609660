#include "alldevices/AllRun.h"

#include <nlohmann/json.hpp>
#include <set>

namespace alldevices {
namespace {

using json = nlohmann::json;

std::string Text(const json& E, const char* Key) {
  const auto it = E.find(Key);
  return it != E.end() && it->is_string() ? it->get<std::string>() : std::string();
}

double Number(const json& E, const char* Key, double Default) {
  const auto it = E.find(Key);
  return it != E.end() && it->is_number() ? it->get<double>() : Default;
}

int Whole(const json& E, const char* Key, int Default) { return int(Number(E, Key, Default)); }

std::string SerialOf(const json& E) {
  const auto it = E.find("adapter");
  return it != E.end() && it->is_object() ? Text(*it, "serial_number") : std::string();
}

// The search's notices that say why a port could not be probed.
bool IsSearchProblem(const std::string& Id) { return Id == "PortBusy" || Id == "PortBusyBy" || Id == "NoPermission"; }

void SetIfGiven(std::string& Field, const std::string& Value) {
  if (!Value.empty()) Field = Value;
}

// The end of a load, from the child's outcome or the parent's "ended".
void TakeEnd(TDeviceRow& R, const json& E) {
  R.Outcome = Text(E, "outcome");
  if (R.Outcome.empty()) R.Outcome = "Error";
  R.Status = Whole(E, "status", R.Status);
  R.Seconds = Number(E, "seconds", R.Seconds);
  SetIfGiven(R.Device, Text(E, "device"));
  SetIfGiven(R.Label, Text(E, "label"));
  SetIfGiven(R.Serial, SerialOf(E));
  SetIfGiven(R.Reason, Text(E, "reason"));
}

}  // namespace

bool TDeviceRow::Listed() const {
  return !Device.empty() || !Problem.empty() || (Outcome != kNoDevice && Outcome != kCancelled);
}

std::string TDeviceRow::Name() const { return !Label.empty() ? Label : !Serial.empty() ? Serial : Port; }

void TAllRun::Take(const std::string& Line) {
  const json e = json::parse(Line, nullptr, false);
  const std::string event = e.is_object() ? Text(e, "event") : std::string();
  if (event.empty()) {
    if (Line.find_first_not_of(" \t\r") != std::string::npos) errorLines_.push_back(Line);
    return;
  }
  // The parent's own outcome names no port: an empty one.
  if (!Text(e, "port").empty())
    TakeDeviceEvent(event, e);
  else
    TakeRunEvent(event, e);
}

void TAllRun::TakeRunEvent(const std::string& Event, const json& E) {
  if (Event == "phase" || Event == "device") phase_ = Text(E, "text");
  if (Event == "message") message_ = Text(E, "text");
  if (Event == "watching") watching_ = true;
  if (Event == "stopped-watching") stoppedWatching_ = true;
  if (Event == "stderr") errorLines_.push_back(Text(E, "line"));
  if (Event == "counts")
    counts_ = TCounts{Whole(E, "done", 0), Whole(E, "failed", 0), Whole(E, "running", 0)};
  if (Event != "outcome") return;
  finalStatus_ = Whole(E, "status", -1);
  if (message_.empty()) message_ = Text(E, "text");  // a run that ended before any device
  const auto devices = E.find("devices");
  if (devices == E.end() || !devices->is_array()) return;
  for (const json& d : *devices)
    if (d.is_object() && d.contains("port")) {
      TDeviceRow* row = LatestOf(Text(d, "port"));
      if (row && row->Running()) TakeEnd(*row, d);
    }
}

void TAllRun::TakeDeviceEvent(const std::string& Event, const json& E) {
  const std::string port = Text(E, "port");
  if (Event == "unplugged") {
    if (TDeviceRow* row = LatestOf(port)) row->Unplugged = true;
    return;
  }
  if (Event == "stderr") {
    errorLines_.push_back(port + ": " + Text(E, "line"));
    return;
  }
  static const std::set<std::string> kLoadEvents = {"attempt", "device", "phase", "row", "progress",
                                                    "message", "outcome", "ended"};
  if (!kLoadEvents.count(Event)) return;  // a newer tool's news this does not know
  TDeviceRow& r = RowOf(port, Whole(E, "attempt", 0));
  const std::string id = Text(E, "id");
  if (Event == "attempt") {
    SetIfGiven(r.Label, Text(E, "label"));
    SetIfGiven(r.Serial, SerialOf(E));
  } else if (Event == "device" && id == "Found") {
    r.Found = Text(E, "text");
    const auto args = E.find("args");
    if (args != E.end() && args->is_array() && !args->empty() && (*args)[0].is_string())
      r.Device = (*args)[0].get<std::string>();
  } else if (Event == "device" && IsSearchProblem(id)) {
    r.Problem = Text(E, "text");
  } else if (Event == "phase" || Event == "device") {
    r.Phase = Text(E, "text");
  } else if (Event == "progress") {
    r.Percent = Number(E, "percent", r.Percent);
  } else if (Event == "message") {
    r.Reason = Text(E, "text");
  } else if (Event == "outcome" || Event == "ended") {
    TakeEnd(r, E);
  }
}

TDeviceRow& TAllRun::RowOf(const std::string& Port, int Attempt) {
  for (TDeviceRow& r : rows_)
    if (r.Port == Port && r.Attempt == Attempt) return r;
  rows_.push_back({Port, Attempt});
  return rows_.back();
}

TDeviceRow* TAllRun::LatestOf(const std::string& Port) {
  for (auto it = rows_.rbegin(); it != rows_.rend(); ++it)
    if (it->Port == Port) return &*it;
  return nullptr;
}

void TAllRun::ProcessEnded(int Status, bool Stopped) {
  ended_ = true;
  exitStatus_ = Status;
  // Loads the tool could not report any more: ended with it.
  for (TDeviceRow& r : rows_)
    if (r.Running()) r.Outcome = Stopped ? kCancelled : "Error";
}

TCounts TAllRun::Counts() const {
  if (counts_ && !ended_) return *counts_;
  // What still ran when the tool ended did not complete.
  if (counts_) return {counts_->Done, counts_->Failed + counts_->Running, 0};
  TCounts c;
  for (const TDeviceRow& r : rows_) {
    if (!r.Listed()) continue;
    if (r.Running())
      ++c.Running;
    else if (r.Completed())
      ++c.Done;
    else
      ++c.Failed;
  }
  return c;
}

}  // namespace alldevices
