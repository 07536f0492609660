// Placeholder until the upload lands.
#include "main/frmMain.h"

void TForm1::Startuploading1Click(QObject*) {}
