// The console program's own texts: written in English in the code, and looked up in the
// catalogue of the user's language (lang/pixlor-cli.<language>.txt beside the module) when it is
// not English. A text without a translation stays English.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace pixlor::host::cli {

// Reads the catalogue of `language` ("Russian") from `folder`; false with `errorText` when a
// file that exists cannot be read or is malformed. English needs no catalogue.
bool LoadTexts(const std::string& folder, const std::string& language, std::string& errorText);

// Parses a catalogue's text; false with `errorText` (line number and why) when it is malformed.
bool ParseTexts(std::string_view catalogue, std::string& errorText);

// The text in the user's language.
const char* Tr(const char* english);

// `text` with each "{}" replaced by the next value, in order.
std::string Fill(std::string_view text, std::initializer_list<std::string> values);

// "1 picture" or "3 pictures", in the user's language (Russian has three plural forms).
std::string CountOf(long long count, const char* one, const char* many);

}  // namespace pixlor::host::cli
