#include "devsim/devsim.h"

#include <charconv>
#include <limits>

namespace devsim {
namespace {

// Parses a whole decimal number in [lo, hi]; anything else is an error text.
bool ParseNumber(const std::string& text, long long lo, long long hi, long long& out) {
  if (text.empty()) return false;
  long long v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || p != text.data() + text.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

struct NumberOption {
  const char* name;
  long long lo, hi;
  const char* range;  // for the error text
};

}  // namespace

std::string HelpText() {
  return R"(Usage: kestrilo-devsim [OPTION]...
A simulated Kestrilo sound player on a pseudo-terminal. Prints the terminal's path
as the first line of standard output and serves until SIGINT or SIGTERM; then it
writes the dump and exits 0.

The device understands bytes only while the host's line speed equals --baud; at any
other speed it answers nothing and logs each byte as ignored (a reply that falls due
while the host listens at another speed is dropped).
  'V'               answers '8', the capacity byte and the version byte
  'C'               erases for --erase-ms, then answers '+'
  'D' samples 0x00  one sound (samples 0x01..0xff); answers 0x10 after every
                    --ack-every samples; 0x00 in place of the next 'D' ends all
                    sounds
  'A' in lo hi      sets input `in` to digital address lo + 256 * hi
  '1'..'4'          plays that sound
Any other byte in command position is logged as unknown and ignored. Samples beyond
the memory size are not stored and are logged as an overflow.

Line:
  --baud N             line speed: 115200 (default), 57600 or 9600
  --line-rate          read no faster than the line carries, baud/10 bytes per
                       second, so the host's writes back up (default)
  --no-line-rate       read as fast as possible
  --link PATH          also make PATH a symbolic link to the terminal (replaces an
                       existing link there, never a file); removed at exit
Device:
  --capacity-units N   memory size in units of 131072 bytes, 0..255 (default 32,
                       that is 4 MiB)
  --version-byte N     second byte of the version reply, 0..255 (default 7)
  --erase-ms N         erase time in ms (default 1500)
  --ack-every N        samples per 0x10 answer, 0 for never (default 264)
  --ack-delay-ms N     delay of each 0x10 answer in ms (default 0)
Output:
  --dump DIR           write what the device received into DIR (created if missing;
                       old files of the simulator there are removed at start):
                         sound-N.wav    each sound, N from 1: 8-bit unsigned mono
                                        44100 Hz WAVE
                         addresses.txt  "input address" per 'A' command, in order
                         session.log    every command and reply, one per line
                                        (formats: tools/devsim/devsim.h)
Faults, for testing a host's failure handling:
  --hangup-after N     close the line after N data bytes (samples); the host then
                       sees a vanished device. 0 hangs up at the first 'D'
  --silent             never answer
  --garbage            answer 'V' with random bytes that contain no '8'
  --no-erase-reply     erase, but never answer '+'
  --reply-late MS      delay every reply by MS
Other:
  -h, --help           show this text and exit

Exit status: 0 after SIGINT/SIGTERM, 1 when the terminal cannot be set up, 2 for a
bad command line.
)";
}

ParsedArgs ParseArgs(const std::vector<std::string>& args) {
  ParsedArgs r;
  Options& o = r.options;
  static const NumberOption numbers[] = {
      {"--baud", 0, 0, "115200, 57600 or 9600"},
      {"--capacity-units", 0, 255, "0..255"},
      {"--version-byte", 0, 255, "0..255"},
      {"--erase-ms", 0, std::numeric_limits<unsigned>::max(), "a number of milliseconds"},
      {"--ack-every", 0, std::numeric_limits<unsigned>::max(), "a number of samples, 0 for never"},
      {"--ack-delay-ms", 0, std::numeric_limits<unsigned>::max(), "a number of milliseconds"},
      {"--hangup-after", 0, std::numeric_limits<long long>::max(), "a number of data bytes"},
      {"--reply-late", 0, std::numeric_limits<unsigned>::max(), "a number of milliseconds"},
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool has_value = false;
    if (name.rfind("--", 0) == 0) {
      auto eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
        has_value = true;
      }
    }
    auto flag = [&](bool& target, bool v) {
      if (has_value) {
        r.error = "option " + name + " takes no value";
        return;
      }
      target = v;
    };
    if (name == "-h" || name == "--help") {
      r.help = true;
      return r;
    } else if (name == "--line-rate") {
      flag(o.line_rate, true);
    } else if (name == "--no-line-rate") {
      flag(o.line_rate, false);
    } else if (name == "--silent") {
      flag(o.silent, true);
    } else if (name == "--garbage") {
      flag(o.garbage, true);
    } else if (name == "--no-erase-reply") {
      flag(o.no_erase_reply, true);
    } else if (name == "--dump" || name == "--link") {
      if (!has_value) {
        if (i + 1 >= args.size()) {
          r.error = "option " + name + " needs a value";
          return r;
        }
        value = args[++i];
      }
      if (value.empty()) {
        r.error = "option " + name + " needs a non-empty path";
        return r;
      }
      (name == "--dump" ? o.dump_dir : o.link_path) = value;
    } else {
      const NumberOption* n = nullptr;
      for (const auto& c : numbers)
        if (name == c.name) n = &c;
      if (!n) {
        r.error = "unknown option '" + args[i] + "'";
        return r;
      }
      if (!has_value) {
        if (i + 1 >= args.size()) {
          r.error = "option " + name + " needs a value (" + n->range + ")";
          return r;
        }
        value = args[++i];
      }
      long long v = 0;
      bool ok;
      if (name == "--baud")
        ok = ParseNumber(value, 0, 1000000, v) && (v == 115200 || v == 57600 || v == 9600);
      else
        ok = ParseNumber(value, n->lo, n->hi, v);
      if (!ok) {
        r.error = "bad value '" + value + "' for " + name + " (" + n->range + ")";
        return r;
      }
      if (name == "--baud") o.baud = unsigned(v);
      else if (name == "--capacity-units") o.capacity_units = unsigned(v);
      else if (name == "--version-byte") o.version_byte = unsigned(v);
      else if (name == "--erase-ms") o.erase_ms = unsigned(v);
      else if (name == "--ack-every") o.ack_every = unsigned(v);
      else if (name == "--ack-delay-ms") o.ack_delay_ms = unsigned(v);
      else if (name == "--hangup-after") o.hangup_after = v;
      else if (name == "--reply-late") o.reply_late_ms = unsigned(v);
    }
    if (!r.error.empty()) return r;
  }
  if (o.silent && o.garbage) r.error = "--silent and --garbage exclude each other";
  return r;
}

ParsedArgs ParseArgs(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return ParseArgs(args);
}

}  // namespace devsim
