#pragma once

/*
** The two small rules shared by the project file, the generator and the
** wizard's list commands:
**
** - an insert mapping entry "FIELD=InputName" is split at its first "=",
**   so a field name never holds "=" and an input value name may;
** - the sorted lists (UpdFields, RetAvailFields) order their entries byte by
**   byte with ASCII A-Z folded to lower case, as strcasecmp does; an entry
**   equal to existing ones goes after them, so equal entries keep their
**   order of arrival. Duplicates are allowed.
*/

#include "platform/asciicase.h"
#include "project/wizardproject.h"

#include <string_view>
#include <utility>

namespace quillon {

struct MappingEntry
{
    std::string_view field; // text before the first "="
    std::string_view input; // text after it; empty if there is no "="
};

MappingEntry splitMapping(std::string_view entry);

// Compares as strcasecmp does (ASCII-only folding); <0, 0 or >0.
using platform::compareNoCase;

// Inserts entry at its place in a list kept sorted by compareNoCase(),
// after any equal entries. Returns the index it was inserted at.
std::size_t sortedInsert(StringList &list, std::string entry);

} // namespace quillon
