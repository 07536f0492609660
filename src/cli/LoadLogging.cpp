#include "cli/LoadLogging.h"

#include <system_error>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "device/Files.h"
#include "i18n/Translate.h"

namespace cli {

TOpenedLog OpenLoadLog(const TCliArgs& Args, TReporter& Reporter) {
  if (Args.LogFile.empty()) return {};
  try {
    const bool json = Args.LogFormat.empty() ? Args.Json : Args.LogFormat == "json";
    return {true, std::make_unique<fleet::TLoadLog>(Args.LogFile, json)};
  } catch (const std::system_error& e) {
    const TNotices news = ReasonMessage(i18n::Fill(i18n::Tr("Cannot write the load log \"%1\": %2"),
                                                   {NativePath(Args.LogFile), e.code().message()}));
    Reporter.Message(news);
    Report(Reporter, {esError, kErrorName, news});
    return {false, nullptr};
  }
}

std::string LoggedList(const TCliArgs& Args) { return Args.LogList.value_or(Args.ListFile); }

std::string OneLine(const std::string& Text) {
  std::string line;
  for (const char c : Text) {
    if (c == '\r') continue;
    line += c == '\n' ? ' ' : c;
  }
  return line;
}

}  // namespace cli
