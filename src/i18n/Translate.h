#pragma once
// The catalogue of the texts the user reads, for the parts without Qt (the engine, the
// command-line tool): GNU gettext, domain "kestrilo". English is the key: a text without a
// translation shows as written.
#include <initializer_list>
#include <string>
#include <string_view>

namespace i18n {

// The text in the user's language (LC_MESSAGES, LANGUAGE), once the program has called
// setlocale(LC_ALL, "").
std::string Tr(const char* English);

// Marks a text for the catalogue where it cannot be looked up yet (a table); Tr words it.
constexpr const char* Marked(const char* English) { return English; }

// Pattern with %1, %2, ... replaced by Args in order, so a translation may move them.
std::string Fill(std::string_view Pattern, std::initializer_list<std::string_view> Args);

// The decimal separator of numbers shown to the user: the user's locale (on Windows the one
// LC_ALL, LC_NUMERIC or LANG names, as for the texts) unless a front end chose another (the
// window follows Qt's locale).
std::string DecimalPoint();
void SetDecimalPoint(std::string Separator);

}  // namespace i18n
