// Progress for a person: one line updated in place on a terminal, plain lines in a log,
// nothing but the outcome with --quiet. Results go to standard output, the rest to error.
#include <cstdio>

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/Reporter.h"
#include "device/PortReport.h"
#include "cli/StatusLine.h"
#include "cli/TerminalText.h"
#include "device/Texts.h"

namespace cli {
namespace {

class TTextReporter : public TReporter {
 public:
  explicit TTextReporter(TOutputMode Mode) : mode_(Mode), line_(stderr) {}

  void Phase(const std::string& Text) override {
    if (Text.empty()) return;
    phase_ = Text;
    if (mode_ == TOutputMode::Terminal) Redraw();
    if (mode_ == TOutputMode::Plain) Print(Text);
  }
  void DeviceText(const std::string& Text) override {
    if (IsSearchingText(Text)) {
      if (mode_ == TOutputMode::Plain && Text == texts::Searching) Print(Text);
      if (mode_ == TOutputMode::Terminal) Phase(Text);
    } else if (!Text.empty() && mode_ != TOutputMode::Quiet) {
      if (IsSearchingText(phase_)) phase_.clear();
      Print(Text);
    }
  }
  void Row(int Row, int Rows, const std::string& File, TRowState State) override {
    row_ = std::to_string(Row + 1) + "/" + std::to_string(Rows) + " " + EscapeControls(File);
    if (mode_ == TOutputMode::Terminal) Redraw();
    if (mode_ == TOutputMode::Plain) Print(row_ + ": " + RowStateText(State));
  }
  void Progress(const TProgressFigures& F) override {
    figures_ = PercentText(F.Percent());
    for (const std::string& part : {RateText(F.Rate), LeftText(F.SecondsLeft)})
      if (!part.empty()) figures_ += " | " + part;
    if (mode_ == TOutputMode::Terminal) Redraw();
  }
  void Message(const std::string& Text) override {
    ++messages_;
    Print(Text);
  }
  void Outcome(const TOutcomeReport& O) override {
    line_.Clear();
    const std::string text = EscapeNames(O.Text, files_);
    if (O.Status == 0 && !text.empty()) std::printf("%s\n", text.c_str());
    if (const std::string adapter = IdentityLine(O.Adapter); O.Status == 0 && !adapter.empty())
      std::printf("%s\n", EscapeControls(adapter).c_str());
    // A failure the engine explained in a message needs no second line.
    if (O.Status != 0 && messages_ == 0 && !text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stdout);
  }
  void Files(const std::vector<std::string>& Files) override { files_ = Files; }

 private:
  void Print(const std::string& Text) {
    line_.Clear();
    std::fprintf(stderr, "%s\n", EscapeNames(Text, files_).c_str());
    if (mode_ == TOutputMode::Terminal) Redraw();
  }
  void Redraw() {
    std::string text = phase_;
    for (const std::string& part : {row_, figures_})
      if (!part.empty()) text += " | " + part;
    line_.Show(EscapeNames(text, files_));
  }

  TOutputMode mode_;
  TStatusLine line_;
  std::string phase_, row_, figures_;
  int messages_ = 0;
  std::vector<std::string> files_;
};

}  // namespace

std::unique_ptr<TReporter> MakeJsonReporter();

TOutputMode OutputModeOf(const TCliArgs& Args) {
  if (Args.Json) return TOutputMode::Json;
  if (Args.Quiet) return TOutputMode::Quiet;
  return ErrorIsTerminal() ? TOutputMode::Terminal : TOutputMode::Plain;
}

std::unique_ptr<TReporter> MakeReporter(const TCliArgs& Args) {
  const TOutputMode mode = OutputModeOf(Args);
  if (mode == TOutputMode::Json) return MakeJsonReporter();
  return std::make_unique<TTextReporter>(mode);
}

std::string RowStateText(TRowState State, bool Json) {
  return Json && State == rsEncoding ? "Encoding" : ListStateText(State);
}

bool IsSearchingText(const std::string& Text) { return Text.rfind(texts::Searching, 0) == 0; }

}  // namespace cli
