#pragma once
// What TThread needs from the system, one implementation file per OS.
#include "toolkit/thread.h"

namespace thread_os {

// The system's id of the calling thread (never 0).
int CurrentThreadId();
// Best effort: a priority the system refuses is left as it was.
void ApplyPriority(int ThreadId, TThreadPriority Priority);

}  // namespace thread_os
