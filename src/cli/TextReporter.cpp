// Progress for a person: one line updated in place on a terminal, plain lines in a log,
// nothing but the outcome with --quiet. Results go to standard output, the rest to error.
#include <cstdio>

#include "cli/Arguments.h"
#include "cli/Console.h"
#include "cli/Reporter.h"
#include "device/PortReport.h"
#include "cli/StatusLine.h"
#include "cli/TerminalText.h"
#include "device/Wording.h"
#include "i18n/Translate.h"

namespace cli {
namespace {

class TTextReporter : public TReporter {
 public:
  explicit TTextReporter(TOutputMode Mode) : mode_(Mode), line_(stderr) {}

  void Phase(const TNotice& Phase) override {
    if (Phase.Id == TNoticeId::None) return;
    ShowPhase(Phase);
  }
  void DeviceNews(const TNotice& News) override {
    if (IsSearching(News.Id)) {
      if (mode_ == TOutputMode::Plain && News.Id == TNoticeId::Searching) Print(Word(News));
      if (mode_ == TOutputMode::Terminal) ShowPhase(News);
    } else if (News.Id != TNoticeId::None && mode_ != TOutputMode::Quiet) {
      if (IsSearching(phase_)) phase_ = TNoticeId::None;
      Print(Word(News));
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
  void Message(const TNotices& Message) override {
    ++messages_;
    Print(Word(Message));
  }
  void Outcome(const TOutcomeReport& O) override {
    line_.Clear();
    const std::string text = EscapeNames(Word(O.News), files_);
    if (O.Status == 0 && !text.empty()) std::printf("%s\n", text.c_str());
    if (const std::string adapter = IdentityLine(O.Adapter); O.Status == 0 && !adapter.empty())
      std::printf("%s\n", EscapeControls(adapter).c_str());
    // A failure the engine explained in a message needs no second line.
    if (O.Status != 0 && messages_ == 0 && !text.empty()) std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stdout);
  }
  void Files(const std::vector<std::string>& Files) override { files_ = Files; }

 private:
  void ShowPhase(const TNotice& Phase) {
    phase_ = Phase.Id;
    phaseText_ = Word(Phase);
    if (mode_ == TOutputMode::Terminal) Redraw();
    if (mode_ == TOutputMode::Plain) Print(phaseText_);
  }
  void Print(const std::string& Text) {
    line_.Clear();
    std::fprintf(stderr, "%s\n", EscapeNames(Text, files_).c_str());
    if (mode_ == TOutputMode::Terminal) Redraw();
  }
  void Redraw() {
    std::string text = phase_ == TNoticeId::None ? std::string() : phaseText_;
    for (const std::string& part : {row_, figures_})
      if (!part.empty()) text += " | " + part;
    line_.Show(EscapeNames(text, files_));
  }

  TOutputMode mode_;
  TStatusLine line_;
  TNoticeId phase_ = TNoticeId::None;
  std::string phaseText_, row_, figures_;
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

std::string RowStateText(TRowState State) { return WordRowState(State); }

std::string RowStateName(TRowState State) { return State == rsEncoding ? "Encoding" : ListStateText(State); }

bool IsSearching(TNoticeId Id) { return Id == TNoticeId::Searching || Id == TNoticeId::SearchingPort; }

TNotices ReasonMessage(const std::string& Text) { return {{TNoticeId::Reason, {Text}}}; }

}  // namespace cli
