#pragma once
// The serial ports as the user needs to see them when nothing is found: each with what the
// system knows of its adapter and its state in plain words, with the fix for the common traps.
#include <string>
#include <vector>

#include "platform/port_identity.h"

struct TPortReport {
  platform::TSurveyedPort Surveyed;
  bool Probed = true;      // the search tries it
  std::string State;       // free, in-use, modemmanager, no-permission, phantom-uart, brltty, no-tty
  std::string StateText;   // the state in words
  std::string Fix;         // what to do about it; empty when nothing needs doing
  std::string Holder;      // in-use: the program
  std::string Group;       // no-permission: the group that may open the port
};

// Every port the search would probe, then every one it skips.
std::vector<TPortReport> ReportPorts();

// The port's title: its path, or the adapter's place on the bus when it has no port.
std::string PortTitle(const TPortReport& Report);
// "FTDI FT232R USB UART (A50285BI), USB 0403:6001 at 1-2, driver ftdi_sio"; empty when the
// system knows nothing beside the name.
std::string IdentityLine(const platform::TPortIdentity& Identity);

// A line for a search that found nothing: the USB serial adapter brltty holds without a port;
// empty when there is none.
std::string BrlttyTrapText();

// Labels for the ports of one run, telling the devices apart: the path, then the adapter's
// serial number where it has one of its own, else its place on the USB bus.
std::vector<std::string> TellApart(const std::vector<std::string>& Ports);
