#include "lists/AddressTable.h"

#include <cstdio>

#include "lists/CsvField.h"

namespace lists {

std::string AddressTableCsv(const std::vector<TAddressTableRow>& Rows) {
  // Column names are data for other programs, not texts for people: never translated.
  std::string csv = "input,digital address,file,prepared seconds,options\r\n";
  for (const TAddressTableRow& r : Rows) {
    char seconds[32] = "";
    if (r.Seconds) std::snprintf(seconds, sizeof seconds, "%.3f", *r.Seconds);
    csv += std::to_string(r.Input) + "," + std::to_string(r.Address) + "," + CsvField(r.File) + "," + seconds + "," +
           CsvField(r.Options) + "\r\n";
  }
  return csv;
}

}  // namespace lists
