#include <sys/stat.h>

#include <QFile>

#include "main/EncoderCommand.h"
#include "main/F_Execute.h"
#include "main/frmMain.h"

int64_t FileSizeOf(const QString& FileName) {
  struct stat st;
  if (FileName.isEmpty() || ::stat(QFile::encodeName(FileName).constData(), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

void TForm1::EncodeFile(const QString& Source, const QString& Dest) {
  const QString encoder = EncoderPath();
  const TExecuteResult r = ExecuteAndWait(this, encoder, EncoderArguments(Source, Dest), SW_MINIMIZE);
  EncodeError = r.Failure(encoder);
}
