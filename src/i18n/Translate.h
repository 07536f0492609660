#pragma once
// The catalogue of the texts the user reads, for the parts without Qt (the engine, the
// command-line tool). English is the key: a text without a translation shows as written.
#include <initializer_list>
#include <string>
#include <string_view>

namespace i18n {

// The text in the user's language.
std::string Tr(const char* English);

// Pattern with %1, %2, ... replaced by Args in order, so a translation may move them.
std::string Fill(std::string_view Pattern, std::initializer_list<std::string_view> Args);

}  // namespace i18n
