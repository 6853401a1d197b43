#pragma once

/*
** How a profile value is read from its text, and how a value is written so
** that reading gives it back.
**
** Reading, as Windows reads a profile: the blanks at both ends are dropped,
** then one pair of matching quotes ('"' or '\'') around what is left, when
** it has at least two characters and begins and ends with the same quote.
** For a one-line value the blanks are space, tab, VT, FF and CR. A value of
** several lines is read as one text after its lines are joined, and for it
** only space, tab, VT and FF are blanks, so its line breaks stay, a final
** one included.
**
** Writing: a value that reading would alter is written between double
** quotes, which reading then takes off again and nothing else: " lead"
** becomes "\" lead\"" and "\"q\"" becomes "\"\"q\"\"". Every other value is
** written as it is, so a file without such values is what it always was.
*/

#include <string>
#include <string_view>

namespace quillon::platform {

enum class ValueLines { One, Several };

// The value that the text of a value reads as.
std::string_view readProfileValue(std::string_view text, ValueLines lines);

// The text to write for a value, so that readProfileValue() gives it back.
std::string profileValueText(std::string_view value, ValueLines lines);

// Space, tab, VT, FF and CR: what reading drops around a one-line value,
// a key or a section name.
bool isProfileBlank(char c);

// text without the profile blanks at both ends.
std::string_view trimProfileBlanks(std::string_view text);

} // namespace quillon::platform
