#pragma once
// A front end that writes down everything the engine shows, one line per call, and pumps
// with the toolkit-free pump.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "device/CorePump.h"
#include "device/FrontEnd.h"

class TRecordingFrontEnd : public TDeviceFrontEnd {
 public:
  // "panelN text", "max N", "progress N" (off unless RecordProgress), "row R S",
  // "controls on|off", "message text".
  std::vector<std::string> Events;
  bool RecordProgress = false;
  std::string Panel[3];
  int Progress = 0, Maximum = 100;
  std::function<void()> OnPump;

  void ShowPanelText(int Index, const std::string& Text) override {
    Panel[Index] = Text;
    // The percentage changes thousands of times; one line says it was shown.
    if (!Text.empty() && Text.back() == '%') {
      if (Events.empty() || Events.back() != "panel1 %") Events.push_back("panel1 %");
      return;
    }
    Events.push_back("panel" + std::to_string(Index) + " " + Text);
  }
  void ShowProgressMaximum(int Value) override {
    Maximum = Value;
    if (RecordProgress) Events.push_back("max " + std::to_string(Value));
  }
  void ShowProgress(int Value) override {
    Progress = Value;
    if (RecordProgress) Events.push_back("progress " + std::to_string(Value));
  }
  void ShowRowState(int Row, TRowState State) override {
    Events.push_back("row " + std::to_string(Row) + " " + std::to_string(int(State)));
  }
  void EnableControls(bool Enabled) override { Events.push_back(Enabled ? "controls on" : "controls off"); }
  void ShowMessage(const std::string& Text) override { Events.push_back("message " + Text); }
  void PumpEvents() override {
    corepump::PumpEvents();
    if (OnPump) OnPump();
  }
  bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) override {
    if (OnPump) OnPump();
    return corepump::PumpEventsUntil(Start, Milliseconds, Done);
  }

  // The events that are not the search's own panel-2 progress.
  std::vector<std::string> Without(const std::string& Prefix) const {
    std::vector<std::string> out;
    for (const auto& e : Events)
      if (e.rfind(Prefix, 0) != 0) out.push_back(e);
    return out;
  }
};

// Points the device search at exactly these ports for the life of the object.
class TScopedPorts {
 public:
#ifdef _WIN32
  explicit TScopedPorts(const std::string& Ports) { _putenv_s("KESTRILO_PORTS", Ports.c_str()); }
  ~TScopedPorts() { _putenv_s("KESTRILO_PORTS", ""); }  // an empty value removes it
#else
  explicit TScopedPorts(const std::string& Ports) { setenv("KESTRILO_PORTS", Ports.c_str(), 1); }
  ~TScopedPorts() { unsetenv("KESTRILO_PORTS"); }
#endif
  TScopedPorts(const TScopedPorts&) = delete;
  TScopedPorts& operator=(const TScopedPorts&) = delete;
};
