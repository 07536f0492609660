#include "cli/Arguments.h"

#include <charconv>

#include "i18n/Translate.h"
#include "lists/SoundListFile.h"

namespace cli {
std::string PrepareUsage();
std::string WatchUsage();
namespace {

bool WholeNumber(const std::string& Text, long long& Value) {
  if (Text.empty() || Text.size() > 9) return false;
  const auto r = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return r.ec == std::errc() && r.ptr == Text.data() + Text.size();
}

// FILE or FILE@ADDRESS; a '@' not followed by digits belongs to the name.
std::string AddSoundFile(const std::string& Source, TCliArgs& A) {
  TUploadRow row{Source, int32_t(A.Files.size() + 1)};
  const auto at = Source.rfind('@');
  if (at != std::string::npos && at + 1 < Source.size() &&
      Source.find_first_not_of("0123456789", at + 1) == std::string::npos) {
    long long address = 0;
    if (!WholeNumber(Source.substr(at + 1), address) || address < lists::kMinAddress || address > lists::kMaxAddress)
      return i18n::Fill(i18n::Tr("bad address in \"%1\": give a whole number from %2 to %3"),
                        {Source, std::to_string(lists::kMinAddress), std::to_string(lists::kMaxAddress)});
    row = {Source.substr(0, at), int32_t(address)};
  }
  if (row.FileName.empty()) return i18n::Fill(i18n::Tr("no file name in \"%1\""), {Source});
  A.Files.push_back(row);
  return {};
}

std::string TakeSources(const std::vector<std::string>& Sources, TCliArgs& A) {
  for (const std::string& s : Sources) {
    if (!lists::IsListFileName(s)) {
      if (auto error = AddSoundFile(s, A); !error.empty()) return error;
    } else if (Sources.size() > 1) {
      return i18n::Tr("a list file must be the only sound of an upload");
    } else {
      A.ListFile = s;
    }
  }
  return {};
}

std::string TakeCommand(const std::vector<std::string>& Words, TCliArgs& A) {
  if (Words.empty()) return i18n::Tr("no command given");
  const std::string& command = Words[0];
  const std::vector<std::string> rest(Words.begin() + 1, Words.end());
  if (command == "search") {
    A.Command = TCliArgs::cmSearch;
    if (!rest.empty()) return i18n::Tr("search takes no arguments");
  } else if (command == "ports") {
    A.Command = TCliArgs::cmPorts;
    if (!rest.empty()) return i18n::Tr("ports takes no arguments");
  } else if (command == "play") {
    A.Command = TCliArgs::cmPlay;
    long long n = 0;
    if (rest.size() != 1 || !WholeNumber(rest[0], n) || n < 1 || n > 4)
      return i18n::Tr("play needs one sound number from 1 to 4");
    A.Sound = int(n);
  } else if (command == "upload") {
    A.Command = TCliArgs::cmUpload;
    if (rest.empty() && A.Prepared.empty()) return i18n::Tr("upload needs a list file or sound files");
    return TakeSources(rest, A);
  } else if (command == "prepare") {
    A.Command = TCliArgs::cmPrepare;
    if (rest.empty() || A.OutDir.empty()) return i18n::Tr("prepare needs sound files and --out DIR");
    for (const std::string& s : rest) A.Files.push_back({s, int32_t(A.Files.size() + 1)});
  } else if (command == "table") {
    A.Command = TCliArgs::cmTable;
    if (rest.size() != 1 || !lists::IsListFileName(rest[0])) return i18n::Tr("table needs one list file");
    A.ListFile = rest[0];
  } else {
    return i18n::Fill(i18n::Tr("unknown command \"%1\""), {command});
  }
  return {};
}

std::string CheckCombination(const TCliArgs& A) {
  if (A.Quiet && A.Json) return i18n::Tr("--quiet and --json cannot go together");
  if (A.All && A.Command != TCliArgs::cmUpload) return i18n::Tr("--all goes only with upload");
  if (A.Command == TCliArgs::cmPorts && !A.Port.empty()) return i18n::Tr("ports lists every port: it takes no --port");
  if (A.Options.Any() && A.Command != TCliArgs::cmUpload && A.Command != TCliArgs::cmPrepare)
    return i18n::Tr("the sound options go only with prepare and upload");
  if (A.All && !A.Port.empty()) return i18n::Tr("--all and --port cannot go together: --all uploads to every port");
  if (A.Watch && !A.All) return i18n::Tr("--watch goes only with upload --all");
  if (!A.LogFile.empty() && A.Command != TCliArgs::cmUpload) return i18n::Tr("--log goes only with upload");
  if ((!A.LogFormat.empty() || A.LogList) && A.LogFile.empty()) return i18n::Tr("--log-format and --log-list go only with --log");
  if (!A.Prepared.empty() && (A.Port.empty() || !A.ListFile.empty() || !A.Files.empty()))
    return i18n::Tr("--prepared needs --port and no sounds");
  return {};
}

// Returns false when Name is not an option that takes a value.
bool TakeValue(const std::string& Name, const std::string& Value, TCliArgs& A, std::string& Error) {
  if (Name == "--port") {
    A.Port = Value;
  } else if (Name == "--out") {
    A.OutDir = Value;
  } else if (TakeSoundOption(Name, Value, A.Options, Error)) {
  } else if (Name == "--prepared") {
    A.Prepared = Value;
  } else if (Name == "--log") {
    A.LogFile = Value;
  } else if (Name == "--log-format") {
    if (Value != "csv" && Value != "json") Error = i18n::Tr("--log-format is csv or json");
    A.LogFormat = Value;
  } else if (Name == "--log-list") {
    A.LogList = Value;  // may be empty: a list that has no file
    return true;
  } else if (Name == "--settle-ms") {
    long long ms = 0;
    if (!WholeNumber(Value, ms) || ms < 0) Error = i18n::Tr("--settle-ms needs a number of milliseconds");
    A.SettleMs = uint32_t(ms);
  } else if (Name == "--erase-wait-ms") {
    long long ms = 0;
    if (!WholeNumber(Value, ms) || ms < 1) Error = i18n::Tr("--erase-wait-ms needs a number of milliseconds");
    A.EraseWaitMs = uint32_t(ms);
  } else {
    return false;
  }
  if (Value.empty() && Error.empty()) Error = i18n::Fill(i18n::Tr("%1 needs a value"), {Name});
  return true;
}

bool TakeFlag(const std::string& Name, TCliArgs& A) {
  const std::pair<const char*, bool TCliArgs::*> flags[] = {
      {"--all", &TCliArgs::All},   {"--quiet", &TCliArgs::Quiet}, {"--json", &TCliArgs::Json},
      {"--help", &TCliArgs::Help}, {"-h", &TCliArgs::Help},       {"--version", &TCliArgs::Version}, {"--yes", &TCliArgs::Yes},
      {"--watch", &TCliArgs::Watch}};
  for (const auto& [name, member] : flags)
    if (Name == name) return A.*member = true;
  return TakeSoundFlag(Name, A.Options);
}

}  // namespace

TParsedArgs ParseArguments(const std::vector<std::string>& Args) {
  TParsedArgs p;
  TCliArgs& a = p.Args;
  std::vector<std::string> words;
  bool options = true;
  for (size_t i = 0; i < Args.size() && p.Error.empty(); ++i) {
    const std::string& arg = Args[i];
    if (!options || arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
    } else if (arg == "--") {
      options = false;
    } else if (TakeFlag(arg, a)) {
    } else {
      const auto eq = arg.find('=');
      const std::string name = arg.substr(0, eq);
      const bool inline_value = eq != std::string::npos;
      std::string value;
      if (inline_value)
        value = arg.substr(eq + 1);
      else if (i + 1 < Args.size())
        value = Args[i + 1];
      if (!TakeValue(name, value, a, p.Error)) {
        p.Error = i18n::Fill(i18n::Tr("unknown option \"%1\""), {arg});
      } else if (!inline_value) {
        ++i;
      }
    }
  }
  if (a.Help || a.Version) return {a, {}};
  if (p.Error.empty()) p.Error = TakeCommand(words, a);
  if (p.Error.empty()) p.Error = CheckCombination(a);
  return p;
}

std::string UsageText() {
  return i18n::Fill(
      i18n::Tr("Usage: kestrilo-cli [OPTION]... search\n"
               "       kestrilo-cli [OPTION]... play N\n"
               "       kestrilo-cli [OPTION]... upload LIST.kestrilo\n"
               "       kestrilo-cli [OPTION]... upload FILE[@ADDRESS]...\n"
               "       kestrilo-cli [OPTION]... upload --all LIST.kestrilo\n"
               "       kestrilo-cli [--json] ports\n"
               "Finds a Vorel-30415 sound player on the serial ports, plays one of its sounds (N from 1\n"
               "to 4) or uploads a set of sounds into it. ADDRESS is the input's digital address, %1 to\n"
               "%2; without one an input takes its number.\n\n"
               "  --port PORT  probe only PORT (at 115200, 57600 and 9600 bit/s)\n"
               "               PORT may also be usb:VID:PID or usb:SERIAL, the adapter with that identity\n"
               "  --all        upload to every device found, all at once\n"
               "  --yes        upload even when rows share a digital address\n"
               "  --quiet      print only the outcome\n"
               "  --json       print one JSON object per event on standard output\n"
               "  -h, --help   show this text and exit\n"
               "  --version    show the version and exit\n\n"
               "Exit status: 0 done, 1 no device, 2 bad arguments, 3 list empty, 4 conversion failed,\n"
               "5 too large for the memory, 6 erase time-out, 7 device lost or stopped taking data,\n"
               "8 a file or port could not be used, 130 cancelled. See kestrilo-cli(1).\n"
               "Exit status 9: the erase was answered with data the sound player never sends.\n"),
      {std::to_string(lists::kMinAddress), std::to_string(lists::kMaxAddress)}) +
         WatchUsage() + PrepareUsage();
}

// Beside the designed usage, which stays as it is.
std::string WatchUsage() {
  return "\n" + i18n::Tr("       kestrilo-cli [OPTION]... upload --all --watch LIST.kestrilo\n"
                          "  --watch        after the devices present, upload to each device plugged in later,\n"
                          "                 once per plug; Ctrl+C stops watching, a second cancels the uploads\n"
                          "                 and a third ends them at once\n"
                          "  --settle-ms MS a new port's time to settle before its upload (1000)\n"
                          "  --log FILE     append one line per device and attempt to FILE (CSV; JSON lines\n"
                          "                 with --json)\n"
                          "With --all the exit status is 0 only when every device's last attempt completed;\n"
                          "otherwise that of the first device that failed, 130 when an upload was cancelled.\n") +
         i18n::Tr("  --log-format csv|json  the log's format, whatever --json says\n"
                  "  --log-list NAME        the list's name in the log, for a front end that passes a copy\n");
}

// Beside the designed usage, which stays as it is.
std::string PrepareUsage() {
  return "\n" + i18n::Tr("       kestrilo-cli [OPTION]... prepare FILE... --out DIR\n"
                          "       kestrilo-cli table LIST.kestrilo\n"
                          "prepare writes each sound as the device will play it (8-bit mono 44100 Hz WAVE, named\n"
                          "after its source) into DIR; table prints a list's inputs, addresses, files, prepared\n"
                          "lengths and options as CSV. Options of prepare and upload:\n") +
         SoundOptionsUsage();
}

std::string VersionText() { return std::string("kestrilo-cli ") + KESTRILO_VERSION + "\n"; }

}  // namespace cli
