// kestrilo-devsim: serves a simulated sound player until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <iostream>

#include "devsim/devsim.h"

int main(int argc, char** argv) {
  const devsim::ParsedArgs args = devsim::ParseArgs(argc, argv);
  if (args.help) {
    std::cout << devsim::HelpText();
    return 0;
  }
  if (!args.error.empty()) {
    std::cerr << "kestrilo-devsim: " << args.error << "\nTry 'kestrilo-devsim --help'.\n";
    return 2;
  }

  // Block the stop signals before any thread starts, then take them with sigwait.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  signal(SIGPIPE, SIG_IGN);

  try {
    devsim::Simulator sim(args.options);
    std::cout << sim.SlavePath() << std::endl;
    int sig = 0;
    sigwait(&stop, &sig);
    sim.Stop();
  } catch (const std::exception& e) {
    std::cerr << "kestrilo-devsim: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
