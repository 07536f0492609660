#include "devsim/devsim.h"

#include <charconv>
#include <limits>
#include <utility>

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
  void (*set)(Options&, long long);
  const char* word = nullptr;  // a spelling that stands for `word_value`
  long long word_value = 0;
};

constexpr auto kUnsignedMax = std::numeric_limits<unsigned>::max();
constexpr auto kLongMax = std::numeric_limits<long long>::max();

const NumberOption kNumbers[] = {
    {"--baud", 0, 0, "115200, 57600 or 9600", [](Options& o, long long v) { o.baud = unsigned(v); }},
    {"--capacity-units", 0, 255, "0..255", [](Options& o, long long v) { o.capacity_units = unsigned(v); }},
    {"--version-byte", 0, 255, "0..255", [](Options& o, long long v) { o.version_byte = unsigned(v); }},
    {"--erase-ms", 0, kUnsignedMax, "a number of milliseconds", [](Options& o, long long v) { o.erase_ms = unsigned(v); }},
    {"--ack-every", 0, kUnsignedMax, "a number of samples, 0 for never",
     [](Options& o, long long v) { o.ack_every = unsigned(v); }},
    {"--ack-delay-ms", 0, kUnsignedMax, "a number of milliseconds",
     [](Options& o, long long v) { o.ack_delay_ms = unsigned(v); }},
    {"--hangup-after", 0, kLongMax, "a number of data bytes", [](Options& o, long long v) { o.hangup_after = v; }},
    {"--reply-late", 0, kUnsignedMax, "a number of milliseconds",
     [](Options& o, long long v) { o.reply_late_ms = unsigned(v); }},
    {"--hangup-in-erase", 0, kUnsignedMax, "a number of milliseconds",
     [](Options& o, long long v) { o.hangup_in_erase_ms = v; }},
    {"--stall-after", 0, kLongMax, "a number of data bytes", [](Options& o, long long v) { o.stall_after = v; }},
    {"--hang-after", 0, kLongMax, "a number of data bytes", [](Options& o, long long v) { o.hang_after = v; }},
    {"--stall-ms", 0, kUnsignedMax, "a number of milliseconds, 0 or forever for good",
     [](Options& o, long long v) { o.stall_ms = unsigned(v); }, "forever", 0},
    {"--junk", 0, kUnsignedMax - 1, "bytes per second, or line",
     [](Options& o, long long v) { o.junk_rate = unsigned(v); }, "line", kJunkFullLine},
    {"--neighbour-every", 1, kUnsignedMax, "a number of milliseconds, 1 or more",
     [](Options& o, long long v) { o.neighbour_every_ms = unsigned(v); }},
};

bool ParseNumberOption(const NumberOption& n, const std::string& value, long long& v) {
  if (n.word && value == n.word) {
    v = n.word_value;
    return true;
  }
  if (std::string(n.name) == "--baud")
    return ParseNumber(value, 0, 1000000, v) && (v == 115200 || v == 57600 || v == 9600);
  return ParseNumber(value, n.lo, n.hi, v);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// \r, \n, \t, \\ and \xHH as in C; false for any other backslash sequence.
bool Unescape(const std::string& text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i >= text.size()) return false;
    const char c = text[i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 't') out += '\t';
    else if (c == '\\') out += '\\';
    else if (c == 'x' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      return false;
    }
  }
  return true;
}

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
  --hangup-in-erase MS close the line MS ms after 'C', while the erase runs, as an
                       unplugged device would; no '+' is sent. At most --erase-ms.
                       After any hangup the host's writes fail with EIO, its poll
                       reports POLLHUP and its reads return end of file
  --stall-after N      stop reading after N data bytes (0: at the first 'D'). The
                       terminal holds the host's output, so its writes block (or
                       time out) at once, not only once the kernel's buffer of
                       about 20 KB has filled; the bytes it wrote before wait
  --stall-ms MS        length of the stall; then the device reads on and completes
                       normally. 0 or "forever" for good (default)
  --hang-after N       the device's processor hangs after N data bytes (0: at the
                       first 'D'), as behind a USB serial bridge: the line is still
                       read at its rate (or at once with --no-line-rate), so the
                       host's writes go on, but nothing is stored and nothing is
                       answered again, not even a reply that was still waiting.
                       Excludes --hangup-after and --stall-after
  --junk RATE          also send pseudo-random bytes of every value ('8', '+' and
                       0x10 among them), RATE a second from the start, whatever the
                       host's speed; "line" for as fast as the line carries them
                       (baud/10 a second). Junk the host does not take is lost, as
                       on a real line. The device otherwise works as usual; with
                       --silent it is a pure junk source
  --silent             never answer
  --garbage            answer 'V' with random bytes that contain no '8'
  --no-erase-reply     erase, but never answer '+'
  --reply-late MS      delay every reply by MS
  --neighbour          be another device on the line, not the player: send its
                       text line every --neighbour-every ms whatever the host's
                       speed, never answer, and log each byte the host writes.
                       What the host does not take is lost. Excludes the other
                       fault options
  --neighbour-text T   the neighbour's line (default "T=+21.8C\r\n"); \r, \n,
                       \t, \\ and \xHH stand for those bytes
  --neighbour-every MS one line every MS ms, 1 or more (default 100)
  Junk and a neighbour's lines flow only while the host's line does not echo (once
  it is set to raw): the kernel's initial line would echo them back as the host's.
Other:
  -h, --help           show this text and exit

Exit status: 0 after SIGINT/SIGTERM, 1 when the terminal cannot be set up, 2 for a
bad command line.
)";
}

std::string OptionsConflict(const Options& o) {
  if (o.silent && o.garbage) return "--silent and --garbage exclude each other";
  if (o.hangup_in_erase_ms > (long long)o.erase_ms) return "--hangup-in-erase must not exceed --erase-ms";
  if (o.hangup_in_erase_ms < -1 || o.stall_after < -1 || o.hang_after < -1)
    return "a fault's count must be -1 (never) or more";
  if (o.hang_after >= 0 && (o.hangup_after >= 0 || o.stall_after >= 0))
    return "--hang-after excludes --hangup-after and --stall-after";
  if (o.neighbour_every_ms == 0 || o.neighbour_text.empty())
    return "--neighbour-every must be 1 or more and --neighbour-text not empty";
  const bool device_fault = o.hangup_after >= 0 || o.silent || o.garbage || o.no_erase_reply ||
                            o.reply_late_ms || o.hangup_in_erase_ms >= 0 || o.stall_after >= 0 || o.junk_rate ||
                            o.hang_after >= 0;
  if (o.neighbour && device_fault) return "--neighbour excludes the other fault options";
  return "";
}

namespace {

// The value of an option that takes one: after '=' or the next argument.
bool TakeValue(const std::vector<std::string>& args, std::size_t& i, bool has_value, std::string& value) {
  if (has_value) return true;
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

std::string ParseNumberArg(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                           std::string value, bool has_value, Options& o) {
  const NumberOption* n = nullptr;
  for (const auto& c : kNumbers)
    if (name == c.name) n = &c;
  if (!n) return "unknown option '" + args[i] + "'";
  if (!TakeValue(args, i, has_value, value)) return "option " + name + " needs a value (" + n->range + ")";
  long long v = 0;
  if (!ParseNumberOption(*n, value, v)) return "bad value '" + value + "' for " + name + " (" + n->range + ")";
  n->set(o, v);
  return "";
}

std::string ParseTextArg(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
                         std::string value, bool has_value, Options& o) {
  if (!TakeValue(args, i, has_value, value)) return "option " + name + " needs a value";
  if (name == "--neighbour-text") {
    if (value.empty()) return "option " + name + " needs a non-empty text";
    if (!Unescape(value, o.neighbour_text)) return "bad escape in '" + value + "' for " + name;
    return "";
  }
  if (value.empty()) return "option " + name + " needs a non-empty path";
  (name == "--dump" ? o.dump_dir : o.link_path) = value;
  return "";
}

}  // namespace

ParsedArgs ParseArgs(const std::vector<std::string>& args) {
  ParsedArgs r;
  Options& o = r.options;
  static const std::pair<const char*, bool Options::*> flags[] = {
      {"--silent", &Options::silent}, {"--garbage", &Options::garbage},
      {"--no-erase-reply", &Options::no_erase_reply}, {"--neighbour", &Options::neighbour}};
  for (std::size_t i = 0; i < args.size() && r.error.empty(); ++i) {
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
      if (has_value) r.error = "option " + name + " takes no value";
      else target = v;
    };
    bool Options::*named_flag = nullptr;
    for (const auto& [flag_name, member] : flags)
      if (name == flag_name) named_flag = member;
    if (name == "-h" || name == "--help") {
      r.help = true;
      return r;
    } else if (name == "--line-rate" || name == "--no-line-rate") {
      flag(o.line_rate, name == "--line-rate");
    } else if (named_flag) {
      flag(o.*named_flag, true);
    } else if (name == "--dump" || name == "--link" || name == "--neighbour-text") {
      r.error = ParseTextArg(args, i, name, value, has_value, o);
    } else {
      r.error = ParseNumberArg(args, i, name, value, has_value, o);
    }
  }
  if (r.error.empty()) r.error = OptionsConflict(o);
  return r;
}

ParsedArgs ParseArgs(int argc, const char* const* argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return ParseArgs(args);
}

}  // namespace devsim
