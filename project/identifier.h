#pragma once

/*
** The one rule for names that the generated source uses as bare Pascal
** identifiers: the request value names (each becomes a variable), the value
** side of the insert mapping and the library name.
**
** isIdentifier() is the syntax alone: not empty, a letter A-Z/a-z or "_"
** first, then letters, digits and "_"; letters outside A-Z are not letters.
** The text is tested as given, without trimming. It also holds at most
** kMaxIdentifierLength characters, the longest identifier the Pascal
** compiler takes: a longer name would give source that does not compile.
**
** isUsableName() adds what the compiler would refuse or misread: a Pascal
** reserved word, or a name that the generated source itself declares or
** calls (its own variables such as F, ECB, Key, Val, the units it uses and
** the routines and types it names). Pascal compares names without regard to
** letter case, and so do both lists here.
*/

#include <cstddef>
#include <string_view>

namespace quillon {

inline constexpr std::size_t kMaxIdentifierLength = 127;

bool isIdentifier(std::string_view text);

bool isReservedWord(std::string_view text);

// A name the generated source declares or uses, so a variable of that name
// would clash with it or hide it.
bool isGeneratedSourceName(std::string_view text);

// isIdentifier() and neither a reserved word nor a generated-source name.
bool isUsableName(std::string_view text);

// Why text is not usable, as a phrase that completes "... which is": empty
// when isUsableName(text) holds.
std::string_view unusableNameReason(std::string_view text);

} // namespace quillon
