// Upload throughput and CPU against the simulated device. Prints figures; asserts nothing.
//   1. 115200 bit/s with the line's real rate: data-phase bytes/s against the line's 11520,
//      and UI-thread CPU seconds per megabyte sent.
//   2. No line-rate limit: bytes/s against the pacing bound of 33 bytes per millisecond.
//   3. A 20 s erase wait: CPU share of the UI thread.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <ctime>

#include "AudioFixtures.h"
#include "devsim/devsim.h"
#include "main/frmMain.h"

namespace {

double ThreadCpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Span {
  double wall = 0, cpu = 0;
};

// Runs one upload of Source and measures the span in which the device took the bytes
// numbered First (1-based) to Last, as the device sees them.
Span MeasureUpload(devsim::Options Options, const QString& Source, uint64_t First, uint64_t Last,
                   const QString& PhaseText = {}) {
  devsim::Simulator sim(Options);
  qputenv("KESTRILO_PORTS", QByteArray::fromStdString(sim.SlavePath()));
  TForm1 form;
  form.AppendSoundRow(Source);
  form.RefreshList();

  QElapsedTimer clock;
  clock.start();
  double w0 = -1, c0 = 0, w1 = -1, c1 = 0;
  QTimer probe;
  probe.setInterval(1);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const bool inPhase = PhaseText.isEmpty() ? sim.BytesReceived() >= First : form.PanelText(1) == PhaseText;
    const bool afterPhase = PhaseText.isEmpty() ? sim.BytesReceived() >= Last
                                                : (w0 >= 0 && form.PanelText(1) != PhaseText);
    if (w0 < 0 && inPhase) {
      w0 = clock.nsecsElapsed() / 1e9;
      c0 = ThreadCpuSeconds();
    }
    if (w0 >= 0 && w1 < 0 && afterPhase) {
      w1 = clock.nsecsElapsed() / 1e9;
      c1 = ThreadCpuSeconds();
    }
  });
  probe.start();
  form.Startuploading1Click(&form);
  while (w1 < 0 && clock.elapsed() < 120000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  probe.stop();
  if (form.PanelText(2) != "Upload completed!")
    std::printf("  (upload did not complete: panel 2 \"%s\")\n", qPrintable(form.PanelText(2)));
  qunsetenv("KESTRILO_PORTS");
  return {w1 - w0, c1 - c0};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString tone = dir.filePath("tone.wav");
  fixtures::MakeTone(tone, 5.0, 440);  // 220500 samples after conversion
  const uint64_t samples = uint64_t(fixtures::RawSamples(tone).size());
  // Device byte numbers: 'V' (1), 'C' (2), 'D' (3), samples, end marker, end of sounds.
  const uint64_t first = 3, last = 2 + samples + 3;
  const double megabytes = double(last - first + 1) / 1e6;
  std::printf("upload benchmark: one sound of %llu samples\n", static_cast<unsigned long long>(samples));

  devsim::Options line;
  line.erase_ms = 100;
  const Span a = MeasureUpload(line, tone, first, last);
  const double rateA = double(last - first + 1) / a.wall;
  std::printf("115200 bit/s, line rate on:  %.0f bytes/s = %.3f of the line's 11520; "
              "UI thread %.2f CPU s per MB (%.1f %% of a core)\n",
              rateA, rateA / 11520.0, a.cpu / megabytes, 100.0 * a.cpu / a.wall);

  devsim::Options fast = line;
  fast.line_rate = false;
  const Span b = MeasureUpload(fast, tone, first, last);
  const double rateB = double(last - first + 1) / b.wall;
  std::printf("no line-rate limit:          %.0f bytes/s = %.3f of the pacing bound 33000; "
              "UI thread %.2f CPU s per MB\n",
              rateB, rateB / 33000.0, b.cpu / megabytes);

  devsim::Options erase = fast;
  erase.erase_ms = 20000;
  const QString tiny = dir.filePath("tiny.wav");
  fixtures::WriteWav(tiny, QByteArray(100, '\x70'));
  const Span c = MeasureUpload(erase, tiny, 0, 0, "Erasing device flash...");
  std::printf("erase wait of %.1f s:         UI thread %.3f CPU s = %.2f %% of a core\n", c.wall, c.cpu,
              100.0 * c.cpu / c.wall);
  return 0;
}
