#pragma once
// The device's serial protocol: every command is one byte.
#include <cstdint>

namespace protocol {

constexpr uint8_t CmdVersion = 'V';
constexpr uint8_t ReplyVersion = '8';   // followed by two bytes
constexpr uint8_t DeviceAnswered = 56;  // TDeviceInfo::Status of a found device
constexpr int CapacityShift = 17;       // the version reply counts 128 KiB units
constexpr int64_t LargestCapacity = int64_t(255) << CapacityShift;  // the most a reply can tell
constexpr uint8_t CmdErase = 'C';
constexpr uint8_t ReplyErased = '+';
constexpr uint8_t CmdSound = 'D';
constexpr uint8_t EndMark = 0x00;       // ends a sound; one more ends the data
constexpr uint8_t ZeroSample = 0x01;    // a 0x00 sample is sent as this
constexpr uint8_t Ack = 0x10;
constexpr uint8_t CmdAddress = 'A';
constexpr uint8_t CmdPlayFirst = '1';   // '1'..'4' play sound 1..4

constexpr int PauseEvery = 33;          // bytes between 1 ms pauses
constexpr int AckEvery = 264;           // bytes between acknowledgement waits
constexpr int MemoryMargin = 128;       // bytes of the memory a set of sounds may not use
constexpr int SampleRate = 44100;       // one byte per sample

}  // namespace protocol
