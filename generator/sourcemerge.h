#pragma once

/*
** The three-way merge of a generated source: the text Quillon last
** generated (the common ancestor), the file as the user left it, and the
** text generated now. The user's edits stay, the project's changes arrive;
** where both changed the same lines the result holds both, between the
** usual conflict markers
**
**   <<<<<<< NAME (your edits)
**   ...
**   =======
**   ...
**   >>>>>>> NAME (generated now)
**
** The merge is libgit2's git_merge_file (Debian's libgit2), the line merge
** git itself uses: a well-kept, widely used implementation of the xdiff
** algorithms rather than a diff3 of our own. It works on the bytes as they
** are, so 8-bit text and CR LF line ends pass through; the marker lines
** end as the source's lines do.
*/

#include <string>
#include <string_view>

namespace quillon::generator {

struct MergedSource
{
    std::string text;
    bool conflicts = false; // the text holds conflict markers
};

// Merges; name labels the markers (the file's name). Throws GenerationError
// (without a path) when the merge cannot be made: a side that is not text,
// or the library's own failure.
MergedSource mergeGeneratedSource(std::string_view lastGenerated, std::string_view edited,
                                  std::string_view generated, const std::string &name);

} // namespace quillon::generator
