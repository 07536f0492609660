// The data phase of an upload against the simulated device, Kestrilo beside a per-byte
// reference host (bench/reference_host.py, pyserial) in the same run. Prints figures; asserts
// nothing. Rates are taken where the device takes the bytes; CPU is the whole program's
// (every thread but the simulator's and this benchmark's own watcher). At 115200 bit/s the
// engine with the toolkit-free pump and kestrilo-cli run too.
//   upload_bench [115200] [57600] [9600] [fast] [erase]   (all without arguments)
#include <QApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <set>
#include <thread>

#include "AudioFixtures.h"
#include "device/CorePump.h"
#include "devsim/devsim.h"
#include "engine_seam.h"
#include "main/frmMain.h"
#include "write_watch.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(clockid_t Id) {
  timespec ts{};
  if (clock_gettime(Id, &ts) != 0) return 0;
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Linux: the CPU clock of any thread of this process, by its task id.
clockid_t TaskClock(pid_t Tid) { return clockid_t((~unsigned(Tid) << 3) | 6); }

std::set<pid_t> Tasks() {
  std::set<pid_t> out;
  for (const QString& t : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) out.insert(t.toInt());
  return out;
}

// The simulated device and a thread that notes when it has taken the phase's first and last byte.
class TDevice {
 public:
  TDevice(devsim::Options Options, uint64_t First, uint64_t Last) {
    const auto before = Tasks();
    sim_ = std::make_unique<devsim::Simulator>(Options);
    for (pid_t t : Tasks())
      if (!before.count(t)) foreign_.push_back(t);
    watcher_ = std::thread([this, First, Last] {
      watcherTid_ = pid_t(gettid());
      while (!stop_ && t1_ < 0) {
        const uint64_t n = sim_->BytesReceived();
        const double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        if (t0_ < 0 && n >= First) t0_ = now;
        if (t1_ < 0 && n >= Last) t1_ = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
    while (watcherTid_ == 0) std::this_thread::yield();
    foreign_.push_back(watcherTid_);
  }
  ~TDevice() {
    stop_ = true;
    watcher_.join();
  }
  std::string Path() const { return sim_->SlavePath(); }
  // CPU of this process without the device and the watcher.
  double ProgramCpu() const {
    double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (pid_t t : foreign_) cpu -= Seconds(TaskClock(t));
    return cpu;
  }
  // The last bytes may still be on their way when the host is done.
  double Wall() const {
    for (int i = 0; i < 30000 && t1_ < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return t1_ - t0_;
  }

 private:
  std::unique_ptr<devsim::Simulator> sim_;
  std::vector<pid_t> foreign_;
  std::thread watcher_;
  std::atomic<pid_t> watcherTid_{0};
  std::atomic<bool> stop_{false};
  std::atomic<double> t0_{-1}, t1_{-1};
};

struct TFigures {
  double wall = 0, cpu = 0;  // device-side span; program CPU over the host's data phase
  const char* stop = "no";   // the liveness rule (must not) or a write timeout stopped the upload
};

// The engine's text of a device that stopped taking data, whether a write or the silence found it.
bool StoppedText(const std::string& Text) { return Text.rfind("The device stopped accepting data on ", 0) == 0; }

const char* StopCause(bool Stopped, const TWriteWatch& Writes) {
  if (!Stopped) return "no";
  return Writes.WriteTimedOut() ? "no (a write timed out)" : "YES";
}

// Notes the program's CPU when row 0 starts and ends its upload.
struct TPhaseCpu {
  std::function<double()> Cpu;
  double start = 0, end = 0;
  void Row(TRowState State) {
    if (State == rsUploading) start = Cpu();
    if (State == rsDone) end = Cpu();
  }
};

class TBenchWindow : public TForm1 {
 public:
  TPhaseCpu Phase;
  std::function<void(const std::string&)> OnPanel1;
  bool Stopped = false;
  // Told here instead of in a box that nobody would close.
  void ShowMessage(const std::string& Text) override {
    Stopped = Stopped || StoppedText(Text);
    std::printf("  window: %s\n", Text.c_str());
  }
  void ShowRowState(int Row, TRowState State) override {
    if (State == rsDone) Phase.Row(State);
    TForm1::ShowRowState(Row, State);
    if (State == rsUploading) Phase.Row(State);
  }
  void ShowPanelText(int Index, const std::string& Text) override {
    if (Index == 1 && OnPanel1) OnPanel1(Text);
    TForm1::ShowPanelText(Index, Text);
  }
};

// The engine alone with the toolkit-free pump: what a front end without a window costs.
class TBareFrontEnd : public TDeviceFrontEnd {
 public:
  TPhaseCpu Phase;
  void ShowPanelText(int, const std::string&) override {}
  void ShowProgressMaximum(int) override {}
  void ShowProgress(int) override {}
  void ShowRowState(int, TRowState State) override { Phase.Row(State); }
  void EnableControls(bool) override {}
  void ShowMessage(const std::string& Text) override { std::printf("  engine: %s\n", Text.c_str()); }
  void PumpEvents() override { corepump::PumpEvents(); }
  bool PumpEventsUntil(uint32_t Start, uint32_t Milliseconds, const std::function<bool()>& Done) override {
    return corepump::PumpEventsUntil(Start, Milliseconds, Done);
  }
};

struct TRun {
  devsim::Options device;
  QString sound;
  uint64_t first = 0, last = 0;  // device byte numbers of 'D' and the sound's end mark
};

TFigures Window(const TRun& Run) {
  TDevice device(Run.device, Run.first, Run.last);
  qputenv("KESTRILO_PORTS", QByteArray::fromStdString(device.Path()));
  TBenchWindow form;
  TWriteWatch writes;
  TEngineSeam::ComPort(*form.Engine).SetCommServices(&writes);
  form.Phase.Cpu = [&] { return device.ProgramCpu(); };
  form.AppendSoundRow(Run.sound);
  form.RefreshList();
  form.Startuploading1Click(&form);
  if (form.PanelText(2) != "Upload completed!")
    std::printf("  (window: upload did not complete: \"%s\")\n", qPrintable(form.PanelText(2)));
  qunsetenv("KESTRILO_PORTS");
  TEngineSeam::ComPort(*form.Engine).SetCommServices(nullptr);
  return {device.Wall(), form.Phase.end - form.Phase.start, StopCause(form.Stopped, writes)};
}

TFigures Engine(const TRun& Run) {
  TDevice device(Run.device, Run.first, Run.last);
  TBareFrontEnd front;
  front.Phase.Cpu = [&] { return device.ProgramCpu(); };
  TDeviceEngine engine(front);
  TWriteWatch writes;
  TEngineSeam::ComPort(engine).SetCommServices(&writes);
  engine.OnlyPorts = {device.Path()};
  const TUploadOutcome outcome = engine.Upload({TUploadRow{Run.sound.toStdString(), 1}});
  if (outcome != TUploadOutcome::Completed) std::printf("  (engine: upload did not complete)\n");
  TEngineSeam::ComPort(engine).SetCommServices(nullptr);
  return {device.Wall(), front.Phase.end - front.Phase.start,
          StopCause(outcome == TUploadOutcome::DeviceStopped, writes)};
}

// CPU seconds of a running process with the children it has waited for (the encoder), in
// the kernel's 10 ms steps.
double ProcessCpu(qint64 Pid) {
  QFile f(QString("/proc/%1/stat").arg(Pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray stat = f.readAll();
  // After the command's closing parenthesis: field 3 on; utime, stime, cutime, cstime are 14 to 17.
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  double ticks = 0;
  for (int i = 14 - 3; i <= 17 - 3; ++i) ticks += fields.value(i).toDouble();
  return ticks / double(sysconf(_SC_CLK_TCK));
}

double ChildrenCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// kestrilo-cli: its CPU from the row's "Uploading" event to its exit, which adds the addresses
// and the exit to the data phase (a few milliseconds).
TFigures Cli(const TRun& Run) {
  TDevice device(Run.device, Run.first, Run.last);
  const double before = ChildrenCpu();
  QProcess cli;
  cli.start(KESTRILO_CLI, {"upload", "--json", "--port", QString::fromStdString(device.Path()), Run.sound});
  double start = -1;
  bool stopped = false;
  const auto events = [&] {
    while (cli.canReadLine()) {
      const QJsonObject e = QJsonDocument::fromJson(cli.readLine()).object();
      const QString event = e["event"].toString();
      if (event == "row" && e["state"].toString() == "Uploading" && start < 0) start = ProcessCpu(cli.processId());
      if (event == "message") stopped = stopped || StoppedText(e["text"].toString().toStdString());
    }
  };
  do events();
  while (cli.waitForReadyRead(-1));
  cli.waitForFinished(-1);
  events();
  if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
    std::printf("  (cli: upload did not complete, status %d: %s)\n", cli.exitCode(),
                cli.readAllStandardError().constData());
  return {device.Wall(), ChildrenCpu() - before - start, stopped ? "YES (or a write timed out)" : "no"};
}

TFigures Reference(const TRun& Run, const QString& Samples) {
  // The reference sends no version probe: 'C', then 'D' is the device's second byte.
  TDevice device(Run.device, 2, 2 + Run.last - Run.first);
  QProcess python;
  python.start(qEnvironmentVariable("KESTRILO_PYTHON", "/usr/bin/python3"),
               {KESTRILO_BENCH_DIR "/reference_host.py", QString::fromStdString(device.Path()),
                QString::number(Run.device.baud), Samples});
  python.waitForFinished(-1);
  const QStringList out = QString::fromUtf8(python.readAllStandardOutput()).split(' ');
  if (out.size() != 3) {
    std::printf("  (reference host failed: %s)\n", python.readAllStandardError().constData());
    return {};
  }
  return {device.Wall(), out[2].toDouble()};
}

// One column per host; CPU per MB also as a share of the reference's.
void PrintCase(const char* Name, double Line, double Bytes,
               const std::vector<std::pair<const char*, TFigures>>& Hosts) {
  const double mb = Bytes / 1e6;
  const TFigures& reference = Hosts.back().second;
  std::printf("%s\n%-24s", Name, "");
  for (const auto& [host, f] : Hosts) std::printf(" %10s", host);
  std::printf("\n%-24s", "  bytes/s");
  for (const auto& h : Hosts) std::printf(" %10.0f", Bytes / h.second.wall);
  std::printf("\n%-24s", "  share of the line");
  for (const auto& h : Hosts) std::printf(" %10.3f", Bytes / h.second.wall / Line);
  std::printf("\n%-24s", "  CPU s/MB");
  for (const auto& h : Hosts) std::printf(" %10.3f", h.second.cpu / mb);
  std::printf("\n  CPU per MB of the reference's (goal: window and cli at most 0.3):");
  for (size_t i = 0; i + 1 < Hosts.size(); ++i)
    std::printf(" %s %.3f%s", Hosts[i].first, Hosts[i].second.cpu / reference.cpu, i + 2 < Hosts.size() ? "," : "");
  std::printf("\n  liveness rule tripped:");
  for (size_t i = 0; i + 1 < Hosts.size(); ++i)
    std::printf(" %s %s%s", Hosts[i].first, Hosts[i].second.stop, i + 2 < Hosts.size() ? "," : "");
  std::printf("\n");
  std::fflush(stdout);
}

void EraseWait(const QString& Dir) {
  devsim::Options o;
  o.line_rate = false;
  o.erase_ms = 20000;
  TDevice device(o, 0, 0);
  qputenv("KESTRILO_PORTS", QByteArray::fromStdString(device.Path()));
  const QString tiny = Dir + "/tiny.wav";
  fixtures::WriteWav(tiny, QByteArray(100, '\x70'));
  TBenchWindow form;
  form.Phase.Cpu = [&] { return device.ProgramCpu(); };
  double w0 = -1, c0 = 0, w1 = -1, c1 = 0;
  const auto now = [] { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); };
  form.OnPanel1 = [&](const std::string& Text) {
    if (w0 < 0 && Text == "Erasing device flash...") {
      w0 = now();
      c0 = device.ProgramCpu();
    } else if (w0 >= 0 && w1 < 0) {
      w1 = now();
      c1 = device.ProgramCpu();
    }
  };
  form.AppendSoundRow(tiny);
  form.RefreshList();
  form.Startuploading1Click(&form);
  qunsetenv("KESTRILO_PORTS");
  std::printf("erase wait of %.1f s: window %.4f CPU s = %.3f %% of a core\n", w1 - w0, c1 - c0,
              100.0 * (c1 - c0) / (w1 - w0));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QStringList wanted = app.arguments().mid(1);
  if (wanted.isEmpty()) wanted = {"115200", "57600", "9600", "fast", "erase"};
  QTemporaryDir dir;

  std::printf("data phase against the same simulator: Kestrilo's window, its engine with the toolkit-free pump,\n"
              "kestrilo-cli, and a per-byte pyserial host (reference) in the same run; goal: window and cli at\n"
              "most 0.3 of the reference's CPU per MB\n");
  struct TCase {
    const char* key;
    const char* name;
    unsigned baud;
    bool lineRate;
    double seconds;
  };
  const TCase cases[] = {{"115200", "115200 line rate", 115200, true, 5.0},
                         {"57600", "57600 line rate", 57600, true, 2.5},
                         {"9600", "9600 line rate", 9600, true, 0.5},
                         {"fast", "no line rate (33/ms)", 115200, false, 5.0}};
  for (const TCase& c : cases) {
    if (!wanted.contains(c.key)) continue;
    TRun run;
    run.device.baud = c.baud;
    run.device.line_rate = c.lineRate;
    run.device.erase_ms = 100;
    run.sound = dir.filePath(QString("tone%1.wav").arg(c.key));
    fixtures::MakeTone(run.sound, c.seconds, 440);
    const QByteArray samples = fixtures::NoZeros(fixtures::RawSamples(run.sound));
    const QString samplesFile = dir.filePath(QString("samples%1.raw").arg(c.key));
    QFile f(samplesFile);
    f.open(QIODevice::WriteOnly);
    f.write(samples);
    f.close();
    // Device byte numbers: the 'V' at each speed tried, 'C', then 'D', samples, end mark.
    // The search probes at 115200, 57600 and 9600 in turn; the device counts the ignored ones too.
    const uint64_t probes = c.baud == 115200 ? 1 : c.baud == 57600 ? 2 : 3;
    run.first = probes + 2;
    run.last = run.first + uint64_t(samples.size()) + 1;
    const double bytes = double(samples.size() + 2);
    const double line = c.lineRate ? c.baud / 10.0 : 33000.0;
    std::vector<std::pair<const char*, TFigures>> hosts{{"window", Window(run)}};
    if (c.baud == 115200) {
      hosts.emplace_back("engine", Engine(run));
      hosts.emplace_back("cli", Cli(run));
    }
    hosts.emplace_back("reference", Reference(run, samplesFile));
    PrintCase(c.name, line, bytes, hosts);
  }
  if (wanted.contains("erase")) EraseWait(dir.path());
  return 0;
}
