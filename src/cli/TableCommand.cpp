// table: the list's record of what a device holds, as CSV on standard output.
#include <cstdio>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Preparing.h"
#include "i18n/Translate.h"
#include "lists/AddressTable.h"
#include "lists/SoundListFile.h"

namespace cli {

int RunTable(const TCliArgs& Args, TReporter& Reporter) {
  const auto rows = UploadRows(Args, Reporter);
  if (!rows) return esError;
  const auto prepared = PrepareRows(*rows);
  if (!prepared) return Report(Reporter, {esCancelled, OutcomeName(TUploadOutcome::Cancelled), {{TNoticeId::Cancelled}}});
  std::vector<lists::TAddressTableRow> table;
  int failed = 0;
  for (size_t i = 0; i < rows->size(); ++i) {
    const TUploadRow& r = (*rows)[i];
    const TPreparedRow& p = (*prepared)[i];
    lists::TAddressTableRow line{int(i + 1), r.Address, r.FileName, std::nullopt, sound::Describe(r.Options)};
    if (p.File) line.Seconds = double(p.File->Samples) / 44100.0;
    if (!p.File) Reporter.Message(ReasonMessage(p.Error)), ++failed;
    table.push_back(line);
  }
  std::fputs(lists::AddressTableCsv(table).c_str(), stdout);
  if (failed > 0)
    return Report(Reporter, {esConversionFailed, OutcomeName(TUploadOutcome::EncodingFailed),
                             {{TNoticeId::SoundsNotPrepared, {int64_t(failed), int64_t(rows->size())}}}});
  return Report(Reporter, {esCompleted, OutcomeName(TUploadOutcome::Completed), {}});
}

}  // namespace cli
