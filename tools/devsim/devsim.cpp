#include "devsim/devsim.h"

#include <stdexcept>

// Interface first, so that others can code against it; the device follows.
namespace devsim {

struct Simulator::State {};

ParsedArgs ParseArgs(const std::vector<std::string>&) { return {}; }
ParsedArgs ParseArgs(int, const char* const*) { return {}; }
std::string HelpText() { return {}; }

Simulator::Simulator(Options options) : options_(std::move(options)) {
  throw std::runtime_error("kestrilo-devsim: not built yet");
}
Simulator::~Simulator() = default;
void Simulator::Stop() {}
std::vector<std::string> Simulator::Log() const { return {}; }
std::vector<std::vector<std::uint8_t>> Simulator::Sounds() const { return {}; }
std::vector<AddressCommand> Simulator::Addresses() const { return {}; }
std::vector<int> Simulator::Plays() const { return {}; }
std::uint64_t Simulator::BytesReceived() const { return 0; }
bool Simulator::HungUp() const { return false; }
bool Simulator::WaitForLogSize(std::size_t, std::chrono::milliseconds) const { return false; }
bool Simulator::WaitForLogLine(const std::string&, std::chrono::milliseconds) const { return false; }
bool Simulator::WaitIdle(std::chrono::milliseconds) const { return false; }

}  // namespace devsim
