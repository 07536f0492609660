// Placeholder until the main window lands.
#include "main/frmMain.h"
#include "serial/CPort.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {}
TForm1::~TForm1() = default;
