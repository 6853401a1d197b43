#pragma once

/*
** The rule that keeps a user's edits when a project is generated again,
** for the wizard's Finish and "quillon generate" alike.
**
** Before the generated text replaces a file, the file is compared with the
** text Quillon last wrote there (lastgenerated.h):
**
**   Absent       nothing is there: written;
**   AsGenerated  the file is what Quillon last wrote, or already the new
**                text: replaced without a question;
**   Edited       it differs from what Quillon last wrote: someone changed it;
**   Unknown      a file is there but nothing is known of what Quillon last
**                wrote to it (generated elsewhere, by another user, or by
**                hand).
**
** Edited and Unknown are replaced only when the caller says so (the wizard
** asks, the command line takes --force), or, for Edited, merged: the
** three-way merge of sourcemerge.h writes the user's text with the
** project's changes, conflict markers where both changed the same lines.
** After every write the new generated text is recorded as the last one, so
** a merged file counts as edited next time, since the edits are still there.
*/

#include "generator/generationerror.h"

#include <string>

namespace quillon::generator {

enum class SourceState { Absent, AsGenerated, Edited, Unknown };

// What to do with an Edited or Unknown file.
enum class EditedSource { Refuse, Replace, Merge };

// Compares the file at path with the last generated text and newText.
// Throws GenerationError naming the file when it exists but cannot be read.
SourceState examineSource(const std::string &path, const std::string &newText);

// The refusal of an edited or unknown file, or of a merge with nothing to merge from.
class EditedSourceError : public GenerationError
{
public:
    EditedSourceError(const std::string &message, const std::string &path, SourceState state)
        : GenerationError(message, path)
        , m_state(state)
    {}
    SourceState state() const { return m_state; }

private:
    SourceState m_state;
};

struct SourceWrite
{
    SourceState before = SourceState::Absent;
    bool merged = false;    // the file holds the merge of the user's text and the new one
    bool conflicts = false; // ... with conflict markers in it
    std::string warning;    // the new text could not be recorded: the next run will ask
};

// Writes newText to path atomically, following the rule above. Throws
// EditedSourceError when the rule refuses (Refuse for an Edited or Unknown
// file; Merge for an Unknown one, which has no common ancestor), and
// GenerationError for a file that cannot be read, merged or written.
SourceWrite writeGeneratedSource(const std::string &path, const std::string &newText, EditedSource how);

} // namespace quillon::generator
