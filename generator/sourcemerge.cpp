#include "generator/sourcemerge.h"

#include "generator/generationerror.h"

#include <git2.h>

namespace quillon::generator {

namespace {

// libgit2's global state for the length of one merge (its init is counted and thread-safe).
class Libgit2
{
public:
    Libgit2() { git_libgit2_init(); }
    ~Libgit2() { git_libgit2_shutdown(); }
    Libgit2(const Libgit2 &) = delete;
    Libgit2 &operator=(const Libgit2 &) = delete;
};

git_merge_file_input input(std::string_view text, const std::string &name)
{
    git_merge_file_input in = GIT_MERGE_FILE_INPUT_INIT;
    in.ptr = text.data();
    in.size = text.size();
    in.path = name.c_str();
    in.mode = 0100644;
    return in;
}

// CR LF when the text's first line ends so, else LF.
std::string_view lineEnd(std::string_view text)
{
    const auto lf = text.find('\n');
    return lf != std::string_view::npos && lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
}

// libgit2 ends its marker lines with LF alone: give them the source's CR LF.
std::string withMarkerLineEnds(std::string text, std::string_view eol)
{
    if (eol == "\n")
        return text;
    std::string out;
    out.reserve(text.size() + 64);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        const bool last = end == std::string::npos;
        if (last)
            end = text.size();
        const std::string_view line(text.data() + start, end - start);
        out.append(line);
        if (!last) {
            const bool marker = !line.ends_with('\r') && (line.starts_with("<<<<<<< ") || line == "=======" || line.starts_with(">>>>>>> ") ||
                                line.starts_with("||||||| "));
            out.append(marker ? eol : "\n");
        }
        start = end + 1;
    }
    return out;
}

} // namespace

MergedSource mergeGeneratedSource(std::string_view lastGenerated, std::string_view edited,
                                  std::string_view generated, const std::string &name)
{
    const Libgit2 library;
    const std::string ours = name + " (your edits)";
    const std::string theirs = name + " (generated now)";
    const std::string base = name + " (generated last time)";
    const git_merge_file_input ancestorIn = input(lastGenerated, name);
    const git_merge_file_input oursIn = input(edited, name);
    const git_merge_file_input theirsIn = input(generated, name);
    git_merge_file_options options = GIT_MERGE_FILE_OPTIONS_INIT;
    options.ancestor_label = base.c_str();
    options.our_label = ours.c_str();
    options.their_label = theirs.c_str();
    git_merge_file_result result{};
    const int status = git_merge_file(&result, &ancestorIn, &oursIn, &theirsIn, &options);
    if (status != 0 || !result.ptr) {
        // No text at all comes back for a side that is not text (a NUL byte in it).
        std::string message = status == 0 ? "it cannot be merged: it is not text (it holds NUL bytes)"
                                           : "the merge failed";
        if (const git_error *error = git_error_last(); status != 0 && error && error->message)
            message += std::string(": ") + error->message;
        git_merge_file_result_free(&result);
        throw GenerationError(message);
    }
    MergedSource merged;
    merged.conflicts = result.automergeable == 0;
    merged.text.assign(result.ptr, result.len);
    git_merge_file_result_free(&result);
    if (merged.conflicts)
        merged.text = withMarkerLineEnds(std::move(merged.text), lineEnd(generated));
    return merged;
}

} // namespace quillon::generator
