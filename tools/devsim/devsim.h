// kestrilo-devsim: a simulated sound player device on a pseudo-terminal.
//
// The simulator owns the master side of a pty pair and plays the device; the host
// (Kestrilo, a test, or a shell with stty) opens SlavePath() like a serial port.
// It keeps its own slave descriptor open, so the host may close and reopen the port.
// It is strict on purpose: every byte that is not what a correct host sends shows up
// in the session log.
//
// Device behaviour, by byte in command position:
//   'V'        reply '8', capacity units, version byte
//   'C'        erase (erase_ms), then reply '+'
//   'D'        start one sound; following bytes are samples up to the 0x00 end marker;
//              after every ack_every samples of a sound reply 0x10 (after ack_delay_ms).
//              After a sound, 'D' starts the next one and 0x00 ends all sounds.
//   'A' i l h  set input i's digital address to l + 256 * h
//   '1'..'4'   play that sound
//   other      logged as unknown, ignored
// Bytes are understood only while the host's line speed (tcgetattr on the master)
// equals `baud`; at any other speed they are logged as ignored and change nothing.
//
// ---------------------------------------------------------------------------------
// session.log / Log(): one entry per line, in protocol order. Numbers are decimal,
// bytes are "0x" plus two lowercase hex digits, reply bytes are two lowercase hex
// digits separated by single spaces. The exact lines:
//
//   V                                   version probe received
//   reply 38 20 07                      bytes answered (any reply: version, '+', 0x10)
//   C                                   erase command received
//   reply 2b                            erase finished and '+' answered
//   lost 0x44 during erase              a byte that arrived while the erase ran
//   D sound 1                           'D' received, sound 1 starts (1-based, counts
//                                       from the last erase)
//   D sound 1, memory not erased        the same when no erase preceded this upload
//   reply 10                            pacing acknowledgement
//   overflow sound 1 at sample 4194305  first sample of a sound that did not fit into
//                                       memory (1-based sample number within the sound);
//                                       it and all later samples are not stored
//   end sound 1, 600 samples            0x00 end marker; count of samples received
//   end of sounds                       0x00 where the next 'D' would stand
//   missing end of sounds before 0x41   a byte other than 'D'/0x00 after a sound's end
//                                       marker; the byte is then taken as a command
//   A input 1 address 2040              'A' and its three argument bytes
//   play 3                              '1'..'4'
//   unknown 0x5a                        any other byte in command position
//   ignored 0x56 at 57600 bit/s         byte received while the host's speed differs
//                                       (the number is the host's output speed)
//   hangup after 1000 data bytes        the master was closed (--hangup-after)
//   hangup during erase after 500 ms    the master was closed that long after 'C'
//                                       (--hangup-in-erase); no '+' is sent
//   stall after 1000 data bytes for 8000 ms
//   stall after 1000 data bytes for good
//                                       reading stopped (--stall-after, --stall-ms);
//                                       the host's writes are held at the terminal
//   stall over                          reading goes on after the stall
//   hang after 1000 data bytes          the device's processor hung (--hang-after): the
//                                       line is still read at its rate, nothing is
//                                       stored, logged or answered from then on
//   junk 11520 bytes/s                  first line: junk flows from the start (--junk)
//   neighbour line every 100 ms         first line: a neighbour, not the player
//                                       (--neighbour); it sends its text lines
//   neighbour received 0x56 at 115200 bit/s
//                                       a byte the host wrote to the neighbour, at the
//                                       host's output speed; a neighbour logs nothing else
//   dropped reply 38 20 07, host listens at 57600 bit/s
//                                       a reply fell due while the host's receive
//                                       speed differed (e.g. --reply-late past the
//                                       host's switch of speed); it is not sent.
//                                       Written when the reply falls due.
//
// Reply lines are written when the reply is decided, so the log order does not depend
// on timing; with --ack-delay-ms / --reply-late the bytes go out later. --silent
// writes no reply lines (nothing is answered). --garbage answers 'V' with three
// pseudo-random bytes (fixed seed, never 0x38), logged like any reply. Junk and a
// neighbour's lines are not logged byte by byte (BytesSent() counts them); they flow
// only while the host's line does not echo.
//
// Dump folder (--dump DIR), created if missing; at start the simulator removes its
// own old files there (sound-*.wav, addresses.txt, session.log):
//   sound-N.wav    each sound in memory, N from 1: 44-byte RIFF WAVE header (PCM,
//                  mono, 44100 Hz, 8 bit) + the stored samples (+ one 0x00 pad byte
//                  when the count is odd, as RIFF requires). Written at the sound's end
//                  marker, and for an unfinished sound at hangup / Stop(). An erase
//                  deletes them.
//   addresses.txt  "input address\n" (decimal) per 'A' command, in arrival order
//   session.log    the log above, each entry followed by "\n", flushed as it happens
// ---------------------------------------------------------------------------------
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace devsim {

// Every command-line option of kestrilo-devsim.
struct Options {
  unsigned baud = 115200;        // --baud: 115200, 57600 or 9600
  bool line_rate = true;         // --line-rate / --no-line-rate: read at most baud/10 B/s
  unsigned capacity_units = 32;  // --capacity-units: memory in units of 131072 bytes (0..255)
  unsigned version_byte = 7;     // --version-byte: second byte after '8' (0..255)
  unsigned erase_ms = 1500;      // --erase-ms
  unsigned ack_every = 264;      // --ack-every: samples per 0x10 answer, 0 for never
  unsigned ack_delay_ms = 0;     // --ack-delay-ms
  std::string dump_dir;          // --dump DIR: empty for no dump
  std::string link_path;         // --link PATH: symbolic link to the slave, empty for none
  long long hangup_after = -1;   // --hangup-after N: close the master after N data bytes; -1 never
  bool silent = false;           // --silent: never answer
  bool garbage = false;          // --garbage: answer 'V' with random bytes without '8'
  bool no_erase_reply = false;   // --no-erase-reply
  unsigned reply_late_ms = 0;    // --reply-late MS: delay every reply
  // Faults that a device would never show on its own. Exact semantics: HelpText().
  long long hangup_in_erase_ms = -1;  // --hangup-in-erase MS: close the master MS after 'C'; -1 never
  long long stall_after = -1;         // --stall-after N: stop reading after N data bytes; -1 never
  long long hang_after = -1;          // --hang-after N: the processor hangs after N data bytes; -1 never
  unsigned stall_ms = 0;              // --stall-ms MS|forever: the stall's length; 0 for good
  unsigned junk_rate = 0;             // --junk RATE|line: junk bytes per second; 0 none
  bool neighbour = false;             // --neighbour: another device, never the player
  std::string neighbour_text = "T=+21.8C\r\n";  // --neighbour-text TEXT: its line
  unsigned neighbour_every_ms = 100;  // --neighbour-every MS: one line per MS
};

// junk_rate for junk as fast as the line carries it (baud / 10 bytes per second).
inline constexpr unsigned kJunkFullLine = ~0u;

// Outcome of parsing a command line. Exactly one of: help requested, an error text
// (exit code 2), or valid options.
struct ParsedArgs {
  Options options;
  bool help = false;
  std::string error;  // empty when the command line is valid
};

// args excludes the program name. Accepts "--opt VALUE" and "--opt=VALUE".
ParsedArgs ParseArgs(const std::vector<std::string>& args);
ParsedArgs ParseArgs(int argc, const char* const* argv);  // skips argv[0]
std::string HelpText();
// Why these options cannot go together (in the command line's words); empty when
// they can. Simulator's constructor and ParseArgs both refuse such options.
std::string OptionsConflict(const Options& options);

struct AddressCommand {
  unsigned input = 0;    // the raw input byte (0..255)
  unsigned address = 0;  // low + 256 * high (0..65535)
  bool operator==(const AddressCommand&) const = default;
};

class Simulator {
 public:
  // Opens the pty pair (and the link) and starts serving on its own thread.
  // Throws std::invalid_argument for bad options, std::system_error when the pty,
  // the link or the dump folder cannot be set up.
  explicit Simulator(Options options);
  ~Simulator();  // Stop()
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  const std::string& SlavePath() const { return slave_path_; }
  const Options& GetOptions() const { return options_; }

  // Ends serving, writes an unfinished sound to the dump, removes the link, closes
  // the pty. Idempotent. Replies still pending are dropped.
  void Stop();

  // Snapshots; safe to call from any thread while the simulator serves. What a log
  // line announces (memory contents, dump files, addresses, plays, the hangup) is in
  // place by the time the line appears, so waiting for the line is enough.
  std::vector<std::string> Log() const;
  std::vector<std::vector<std::uint8_t>> Sounds() const;  // memory contents since the last erase
  std::vector<AddressCommand> Addresses() const;          // every 'A', in arrival order
  std::vector<int> Plays() const;                         // every '1'..'4', as 1..4
  std::uint64_t BytesReceived() const;                    // all bytes taken from the line
  std::uint64_t BytesSent() const;                        // replies, junk and neighbour lines
  bool HungUp() const;

  // Test helpers: wait (generously) until the log has at least `lines` entries / an
  // entry equal to `line`. Return false when the timeout ran out.
  bool WaitForLogSize(std::size_t lines, std::chrono::milliseconds timeout) const;
  bool WaitForLogLine(const std::string& line, std::chrono::milliseconds timeout) const;
  // Until every byte the host has written so far has been taken and processed, and no
  // reply or erase is pending (checked twice, 20 ms apart), or the line was hung up.
  // Never true while a stall holds back bytes the host wrote.
  bool WaitIdle(std::chrono::milliseconds timeout) const;

  struct State;  // internal

 private:
  Options options_;
  std::string slave_path_;
  std::unique_ptr<State> state_;
};

}  // namespace devsim
