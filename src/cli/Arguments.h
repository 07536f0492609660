#pragma once
// The command line: commands, options, the sounds of an upload.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/SoundArguments.h"
#include "device/Engine.h"

namespace cli {

struct TCliArgs {
  enum TCommand { cmNone, cmSearch, cmPlay, cmUpload, cmPorts, cmPrepare, cmTable };
  TCommand Command = cmNone;
  int Sound = 0;                  // play: 1..4
  std::string ListFile;           // upload LIST.kestrilo
  std::vector<TUploadRow> Files;  // upload FILE[@ADDRESS]...
  std::string Port;               // --port: probe only this port (a path, usb:VID:PID, usb:SERIAL)
  bool All = false;               // upload --all
  bool Watch = false;             // upload --all --watch: also each device plugged in later
  uint32_t SettleMs = 1000;       // --settle-ms: a new port's time to settle before its upload
  std::string LogFile;            // --log FILE: one line per device and attempt
  std::string LogFormat;          // --log-format csv|json; none: JSON lines with --json
  std::optional<std::string> LogList;  // --log-list NAME: the list as the log names it
  TOptionOverrides Options;       // prepare, upload: over the list's defaults
  std::string OutDir;             // prepare --out DIR
  bool Quiet = false;
  bool Json = false;
  bool Help = false;
  bool Version = false;
  bool Yes = false;  // --yes: upload rows that share a digital address
  // Not in the usage: what the --all parent hands each of its children.
  std::string Prepared;      // --prepared MANIFEST: sounds the parent encoded
  uint32_t EraseWaitMs = 0;  // --erase-wait-ms MS: 0 keeps the design's wait
};

struct TParsedArgs {
  TCliArgs Args;
  std::string Error;  // one line; empty when the command line is good
};

TParsedArgs ParseArguments(const std::vector<std::string>& Args);
std::string UsageText();
std::string VersionText();

}  // namespace cli
