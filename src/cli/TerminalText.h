#pragma once
// Text for a terminal. A file name may hold control characters (ESC, CR, a newline) that
// would rewrite the screen or forge a line of its own; they are shown escaped instead.
#include <string>
#include <vector>

namespace cli {

// Every control character as "\n", "\r", "\t" or "\xHH" (C1 ones as their UTF-8 bytes).
std::string EscapeControls(const std::string& Text);
// Text with each of Files in it (as given, as the system writes it, by its base name)
// escaped whole, and any other control character but the newlines between its lines.
std::string EscapeNames(const std::string& Text, const std::vector<std::string>& Files);

}  // namespace cli
