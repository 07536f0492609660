#pragma once
// The list as a record of what a device holds: one CSV line per input with its digital
// address, file, prepared length and options. The device cannot be read back.
#include <optional>
#include <string>
#include <vector>

namespace lists {

struct TAddressTableRow {
  int Input = 1;
  int Address = 1;
  std::string File;
  std::optional<double> Seconds;  // none: the sound could not be prepared
  std::string Options;
};

// RFC 4180: a header line, fields with a comma, quote or line break quoted, CRLF line ends.
std::string AddressTableCsv(const std::vector<TAddressTableRow>& Rows);

}  // namespace lists
