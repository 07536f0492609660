// kestrilo-cli: search, play and upload from a terminal, on the window's engine.
#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "cli/ExitStatus.h"
#include "cli/PortsCommand.h"
#include "device/PortChoice.h"

namespace {

int Dispatch(const cli::TCliArgs& Args) {
  const auto reporter = cli::MakeReporter(Args);
  switch (Args.Command) {
    case cli::TCliArgs::cmSearch:
      return cli::RunSearch(Args, *reporter);
    case cli::TCliArgs::cmPlay:
      return cli::RunPlay(Args, *reporter);
    case cli::TCliArgs::cmUpload:
      return Args.All ? cli::RunUploadAll(Args, *reporter) : cli::RunUpload(Args, *reporter);
    case cli::TCliArgs::cmPorts:
      return cli::RunPorts(Args);
    case cli::TCliArgs::cmPrepare:
      return cli::RunPrepare(Args, *reporter);
    case cli::TCliArgs::cmTable:
      return cli::RunTable(Args, *reporter);
    case cli::TCliArgs::cmNone:
      break;
  }
  return cli::esBadArguments;
}

}  // namespace

// Every way out returns from here, so the temporary folder's owner is destroyed as usual.
int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");  // the user's language and number format
  cli::UseUtf8Output();
  const cli::TParsedArgs parsed = cli::ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.Error.empty()) {
    std::fprintf(stderr, "kestrilo-cli: %s\n%s", parsed.Error.c_str(), cli::UsageText().c_str());
    return cli::esBadArguments;
  }
  if (parsed.Args.Help) {
    std::fputs(cli::UsageText().c_str(), stdout);
    return cli::esCompleted;
  }
  if (parsed.Args.Version) {
    std::fputs(cli::VersionText().c_str(), stdout);
    return cli::esCompleted;
  }
  cli::InstallInterruptHandlers();
  try {
    return Dispatch(parsed.Args);
  } catch (const EPortChoice& e) {
    std::fprintf(stderr, "kestrilo-cli: %s\n", e.what());
    return cli::esNoDevice;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kestrilo-cli: %s\n", e.what());
    return cli::esError;
  }
}
