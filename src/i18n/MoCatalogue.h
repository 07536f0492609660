#pragma once
// A compiled gettext catalogue (.mo, as msgfmt writes it) read whole into memory, for systems
// whose C library has no gettext. Looks texts up as gettext does: a binary search of the sorted
// originals. Plural forms and contexts are not looked up: the catalogue uses neither.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace i18n {

class EMoFormat : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TMoCatalogue {
 public:
  // Bytes of a .mo file; throws EMoFormat when they are not one.
  explicit TMoCatalogue(std::string Bytes);
  // The file's catalogue; nothing when the file cannot be read (a missing language); throws
  // EMoFormat when it is no catalogue.
  static std::optional<TMoCatalogue> Load(const std::filesystem::path& File);

  // The translation of Original; nothing when the catalogue has none.
  std::optional<std::string_view> Find(std::string_view Original) const;
  uint32_t Count() const { return count_; }

 private:
  uint32_t Word(uint64_t Offset) const;
  // Entry Index of the table at Table: its text up to the first NUL (a plural's singular).
  std::string_view Text(uint32_t Table, uint32_t Index) const;

  std::string bytes_;
  bool swapped_ = false;  // written on a machine of the other byte order
  uint32_t count_ = 0;
  uint32_t originals_ = 0;
  uint32_t translations_ = 0;
};

}  // namespace i18n
