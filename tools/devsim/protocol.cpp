#include "protocol.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

namespace devsim {
namespace {

constexpr std::uint8_t kVersion = 'V', kErase = 'C', kData = 'D', kAddress = 'A', kEnd = 0x00;
constexpr std::uint8_t kVersionReply = '8', kErased = '+', kAck = 0x10;
constexpr std::uint64_t kCapacityUnit = 131072;

std::string Hex(std::uint8_t b) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02x", b);
  return text;
}

}  // namespace

std::string ByteName(std::uint8_t byte) { return Hex(byte); }

std::string ReplyLine(const std::vector<std::uint8_t>& bytes) {
  std::string line = "reply";
  for (std::uint8_t b : bytes) line += " " + Hex(b).substr(2);
  return line;
}

Protocol::Protocol(const Options& options, Recorder& recorder)
    : options_(options), recorder_(recorder), capacity_(options.capacity_units * kCapacityUnit) {}

void Protocol::Ignore(std::uint8_t byte, unsigned host_baud) {
  recorder_.Log("ignored " + Hex(byte) + " at " + std::to_string(host_baud) + " bit/s");
}

void Protocol::Tick(Clock::time_point now) {
  if (erasing_ && erase_hangup_ && now >= *erase_hangup_ && !hangup_)
    RequestHangup("hangup during erase after " + std::to_string(options_.hangup_in_erase_ms) + " ms");
  if (!erasing_ || now < erase_end_ || hangup_) return;
  erasing_ = false;
  erased_ = true;
  if (!options_.no_erase_reply) Reply({kErased}, erase_end_);
}

void Protocol::Reply(std::vector<std::uint8_t> bytes, Clock::time_point due) {
  if (options_.silent) return;
  recorder_.Log(ReplyLine(bytes));
  replies_.emplace(due + std::chrono::milliseconds(options_.reply_late_ms), std::move(bytes));
}

std::vector<std::uint8_t> Protocol::TakeDueReplies(Clock::time_point now) {
  std::vector<std::uint8_t> out;
  while (!replies_.empty() && replies_.begin()->first <= now) {
    auto& bytes = replies_.begin()->second;
    out.insert(out.end(), bytes.begin(), bytes.end());
    replies_.erase(replies_.begin());
  }
  return out;
}

std::optional<Protocol::Clock::time_point> Protocol::NextDue() const {
  std::optional<Clock::time_point> next;
  if (erasing_) next = erase_hangup_ ? std::min(erase_end_, *erase_hangup_) : erase_end_;
  if (!replies_.empty() && (!next || replies_.begin()->first < *next)) next = replies_.begin()->first;
  return next;
}

void Protocol::Receive(std::uint8_t byte, Clock::time_point now) {
  if (hangup_ || hung_) return;
  Tick(now);
  if (hangup_) return;
  if (erasing_) {
    recorder_.Log("lost " + Hex(byte) + " during erase");
    return;
  }
  switch (state_) {
    case State::Command:
      Command(byte, now);
      break;
    case State::AddressInput:
      address_input_ = byte;
      state_ = State::AddressLow;
      break;
    case State::AddressLow:
      address_low_ = byte;
      state_ = State::AddressHigh;
      break;
    case State::AddressHigh: {
      const AddressCommand a{address_input_, address_low_ + 256u * byte};
      recorder_.Address(a);
      recorder_.Log("A input " + std::to_string(a.input) + " address " + std::to_string(a.address));
      state_ = State::Command;
      break;
    }
    case State::Sound:
      Sample(byte, now);
      break;
    case State::BetweenSounds:
      if (byte == kData) {
        StartSound();
      } else if (byte == kEnd) {
        recorder_.Log("end of sounds");
        state_ = State::Command;
      } else {
        // A host that forgot the final 0x00: say so, then treat the byte as a command.
        recorder_.Log("missing end of sounds before " + Hex(byte));
        state_ = State::Command;
        Command(byte, now);
      }
      break;
  }
}

void Protocol::Command(std::uint8_t byte, Clock::time_point now) {
  if (byte == kVersion) {
    recorder_.Log("V");
    std::vector<std::uint8_t> reply{kVersionReply, std::uint8_t(options_.capacity_units),
                                    std::uint8_t(options_.version_byte)};
    if (options_.garbage)
      for (auto& b : reply) {
        do b = std::uint8_t(garbage_() & 0xFF);
        while (b == kVersionReply);
      }
    Reply(std::move(reply), now);
  } else if (byte == kErase) {
    recorder_.EraseSounds();
    recorder_.Log("C");
    sound_number_ = 0;
    stored_ = 0;
    erasing_ = true;
    erase_end_ = now + std::chrono::milliseconds(options_.erase_ms);
    if (options_.hangup_in_erase_ms >= 0)
      erase_hangup_ = now + std::chrono::milliseconds(options_.hangup_in_erase_ms);
    Tick(now);
  } else if (byte == kData) {
    StartSound();
  } else if (byte == kAddress) {
    state_ = State::AddressInput;
  } else if (byte >= '1' && byte <= '4') {
    recorder_.Play(byte - '0');
    recorder_.Log("play " + std::to_string(byte - '0'));
  } else {
    recorder_.Log("unknown " + Hex(byte));
  }
}

void Protocol::StartSound() {
  const bool fresh_upload = state_ == State::Command;
  ++sound_number_;
  std::string line = "D sound " + std::to_string(sound_number_);
  if (fresh_upload && !erased_) line += ", memory not erased";
  if (fresh_upload) erased_ = false;
  recorder_.StartSound();
  recorder_.Log(line);
  state_ = State::Sound;
  samples_in_sound_ = 0;
  overflow_logged_ = false;
  if (options_.hangup_after == 0) RequestHangup("hangup after 0 data bytes");
  StallAt(0);
  HangAt(0);
}

void Protocol::Sample(std::uint8_t byte, Clock::time_point now) {
  if (byte == kEnd) {
    recorder_.EndSound();
    recorder_.Log("end sound " + std::to_string(sound_number_) + ", " +
                  std::to_string(samples_in_sound_) + " samples");
    state_ = State::BetweenSounds;
    return;
  }
  ++samples_in_sound_;
  if (stored_ < capacity_) {
    ++stored_;
    recorder_.AddSample(byte);
  } else if (!overflow_logged_) {
    overflow_logged_ = true;
    recorder_.Log("overflow sound " + std::to_string(sound_number_) + " at sample " +
                  std::to_string(samples_in_sound_));
  }
  if (options_.ack_every != 0 && samples_in_sound_ % options_.ack_every == 0)
    Reply({kAck}, now + std::chrono::milliseconds(options_.ack_delay_ms));
  CountDataByte();
}

void Protocol::CountDataByte() {
  ++data_bytes_;
  if (options_.hangup_after >= 0 && data_bytes_ >= options_.hangup_after)
    RequestHangup("hangup after " + std::to_string(data_bytes_) + " data bytes");
  StallAt(data_bytes_);
  HangAt(data_bytes_);
}

void Protocol::HangAt(long long data_bytes) {
  if (options_.hang_after != data_bytes || hung_) return;
  hung_ = true;
  replies_.clear();  // a hung processor sends nothing, not even what it meant to
  recorder_.Log("hang after " + std::to_string(data_bytes) + " data bytes");
}

void Protocol::RequestHangup(std::string line) {
  if (hangup_) return;
  hangup_ = true;
  hangup_line_ = std::move(line);
}

void Protocol::StallAt(long long data_bytes) {
  if (options_.stall_after == data_bytes && !stall_done_) stall_due_ = stall_done_ = true;
}

bool Protocol::TakeStall() {
  const bool due = stall_due_;
  stall_due_ = false;
  return due;
}

std::size_t Protocol::TakeLimit() const {
  if (options_.stall_after < 0 || stall_done_) return std::numeric_limits<std::size_t>::max();
  // Every byte counts at most one data byte, so this many cannot run past the stall.
  return std::size_t(std::max(1LL, options_.stall_after - data_bytes_));
}

}  // namespace devsim
