#pragma once

/*
** What Quillon last wrote to each generated source, so that the next
** generation can tell a source nobody touched (replaced without a question)
** from one the user edited (asked about, or merged), and has the common
** ancestor a three-way merge needs.
**
** The texts live in the user's state folder (platform/statedir.h), in its
** folder "generated", one file per source: not beside the source, where a
** user would find, copy, compile or commit it, and per user, since it is
** the user's own edits it protects. A source is known by its absolute path
** with symbolic links of its folders resolved, so "Ext.dpr" and
** "./sub/../Ext.dpr" are one source. The file is named by a 64-bit hash of
** that path and starts with the path itself, so that two paths with the
** same hash are told apart (the later one simply replaces the earlier).
*/

#include <optional>
#include <string>
#include <string_view>

namespace quillon::generator {

// The folder holding the texts; empty when the user has no state folder.
std::string lastGeneratedFolder();

// The text last generated to sourcePath, nullopt when nothing is known
// (never generated here, or the record is gone or belongs to another path).
// Throws GenerationError naming the record when it exists but cannot be read.
std::optional<std::string> lastGeneratedText(const std::string &sourcePath);

// Records text as the one last generated to sourcePath, replacing the
// record atomically. Throws GenerationError naming the record's file.
void rememberGeneratedText(const std::string &sourcePath, std::string_view text);

} // namespace quillon::generator
