#include "i18n/MoCatalogue.h"

#include <fstream>
#include <iterator>

namespace i18n {
namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kMagicSwapped = 0xde120495;
constexpr uint64_t kHeaderBytes = 28;  // magic, revision, count, two table offsets, hash size and offset

uint32_t Swap(uint32_t Value) {
  return (Value >> 24) | ((Value >> 8) & 0xff00) | ((Value << 8) & 0xff0000) | (Value << 24);
}

}  // namespace

TMoCatalogue::TMoCatalogue(std::string Bytes) : bytes_(std::move(Bytes)) {
  if (bytes_.size() < kHeaderBytes) throw EMoFormat("too short for a catalogue");
  swapped_ = false;
  const uint32_t magic = Word(0);
  if (magic == kMagicSwapped)
    swapped_ = true;
  else if (magic != kMagic)
    throw EMoFormat("not a compiled gettext catalogue");
  if ((Word(4) >> 16) > 1) throw EMoFormat("unknown major revision");
  count_ = Word(8);
  originals_ = Word(12);
  translations_ = Word(16);
  for (const uint32_t table : {originals_, translations_})
    if (uint64_t(table) + uint64_t(count_) * 8 > bytes_.size()) throw EMoFormat("table beyond the end of the file");
  for (uint32_t i = 0; i < count_; ++i) {
    Text(originals_, i);  // every entry checked once here, so lookups need not
    Text(translations_, i);
  }
}

std::optional<TMoCatalogue> TMoCatalogue::Load(const std::filesystem::path& File) {
  std::ifstream file(File, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return TMoCatalogue(std::move(bytes));
}

uint32_t TMoCatalogue::Word(uint64_t Offset) const {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | uint8_t(bytes_[size_t(Offset) + size_t(i)]);
  return swapped_ ? Swap(value) : value;
}

std::string_view TMoCatalogue::Text(uint32_t Table, uint32_t Index) const {
  const uint64_t entry = uint64_t(Table) + uint64_t(Index) * 8;
  const uint64_t length = Word(entry), offset = Word(entry + 4);
  if (offset + length >= bytes_.size()) throw EMoFormat("text beyond the end of the file");
  const std::string_view text(bytes_.data() + offset, size_t(length));
  return text.substr(0, text.find('\0'));
}

std::optional<std::string_view> TMoCatalogue::Find(std::string_view Original) const {
  uint32_t low = 0, high = count_;
  while (low < high) {
    const uint32_t middle = low + (high - low) / 2;
    const int order = Original.compare(Text(originals_, middle));
    if (order == 0) {
      const std::string_view translation = Text(translations_, middle);
      if (translation.empty()) return std::nullopt;
      return translation;
    }
    if (order < 0)
      high = middle;
    else
      low = middle + 1;
  }
  return std::nullopt;
}

}  // namespace i18n
