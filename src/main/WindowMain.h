#pragma once
// The program once Qt has started: the window, the termination signals, the start
// arguments and the event loop.
#include <QStringList>
#include <functional>

class TForm1;

// Returns the event loop's exit code. Started runs once the start arguments are handled
// (a test acts there as a user would).
int RunMainWindow(const QStringList& Args, const std::function<void(TForm1&)>& Started = {});
