#include <QApplication>
#include <cstdio>
#include <cstring>

#include "main/Translators.h"
#include "main/display_check.h"
#include "main/WindowMain.h"
#include "toolkit/error_report.h"

namespace {

// --help and --version are answered before Qt starts, so they work without a display.
bool AnswerInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("Kestrilo %s\n", KESTRILO_VERSION);
      return true;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "Usage: kestrilo [OPTION]... [LIST.kestrilo | SOUND...]\n"
          "Loads a set of sounds into a stand-alone sound player device over a serial line.\n"
          "A list file given is opened at start; sound files given are added to the list.\n\n"
          "  -h, --help     show this text and exit\n"
          "      --version  show the version and exit\n"
          "Qt's own options (for example -platform offscreen) are accepted too.\n"
          "See kestrilo(1) for the environment variables.\n");
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInfoOption(argc, argv)) return 0;
  if (const std::string Reason = MissingDisplayReason(); !Reason.empty()) {
    std::fprintf(stderr, "kestrilo: %s\n", Reason.c_str());
    return 1;
  }
  QApplication App(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Kestrilo"));
  QApplication::setApplicationDisplayName(QStringLiteral("Kestrilo"));
  InstallTranslators(App);
  TErrorReportInstallation ErrorReport;

  return RunMainWindow(QApplication::arguments().mid(1));
}
