#pragma once
// The console the program runs in: its signals and its terminal.
// Ctrl+C and its kin end a run through its normal clean-up: the handler only notes the
// signal, the front end's pump sees it and cancels, and the program leaves main as usual.

namespace cli {

// The catalogue's texts are UTF-8: a Windows console shows them so while the program runs.
void UseUtf8Output();

// SIGINT, SIGTERM and SIGHUP are noted; SIGPIPE is ignored so that a closed output is a
// failed write, not a death that leaves the temporary folder behind.
void InstallInterruptHandlers();
bool Interrupted();
// How many of those signals came: a second one asks for an end at once.
int Interrupts();

// True when standard error is a terminal, where progress updates one line in place.
bool ErrorIsTerminal();
// Its width in characters; 80 when it cannot be told.
int ErrorTerminalWidth();

}  // namespace cli
