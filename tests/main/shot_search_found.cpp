// Renders the window after "Search device" has found a simulated device, into the PNG file
// named on the command line. Only the simulator's port is searched.
#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "devsim/devsim.h"
#include "main/frmMain.h"
#include "serial/CPort.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrilo");
  devsim::Options options;
  options.capacity_units = 32;
  devsim::Simulator sim(options);
  setenv("KESTRILO_PORTS", sim.SlavePath().c_str(), 1);

  TForm1 w;
  if (!w.Engine) w.CreateDeviceLink();
  w.show();
  w.Searchdevice1Click(&w);
  QApplication::processEvents();
  std::printf("%s\n", qPrintable(w.PanelText(2)));
  return w.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
