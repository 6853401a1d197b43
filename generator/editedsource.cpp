#include "generator/editedsource.h"

#include "generator/fileerrors.h"
#include "generator/lastgenerated.h"
#include "generator/sourcemerge.h"

#include <filesystem>

namespace quillon::generator {

namespace {

// The file's text; nothing for no file, and for a folder, whose write then
// fails as writing over a folder does.
std::optional<std::string> readExisting(const std::string &path)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return std::nullopt;
    try {
        return platform::readFileIfExists(path);
    } catch (const platform::FileError &e) {
        rethrowFileError(e);
    }
}

SourceState stateOf(const std::optional<std::string> &existing, const std::optional<std::string> &last,
                    const std::string &newText)
{
    if (!existing)
        return SourceState::Absent;
    if (*existing == newText || (last && *existing == *last))
        return SourceState::AsGenerated;
    return last ? SourceState::Edited : SourceState::Unknown;
}

[[noreturn]] void refuse(const std::string &path, SourceState state, EditedSource how)
{
    const std::string kept = "; it was left as it is and nothing was written";
    if (state == SourceState::Edited)
        throw EditedSourceError(path + " has been changed since Quillon generated it" + kept, path, state);
    if (how == EditedSource::Merge)
        throw EditedSourceError(path + " cannot be merged: nothing is known of what Quillon last wrote there" + kept,
                                path, state);
    throw EditedSourceError(path + " was not generated here by Quillon (nothing is known of what Quillon last "
                                   "wrote there)" + kept,
                            path, state);
}

} // namespace

SourceState examineSource(const std::string &path, const std::string &newText)
{
    const std::optional<std::string> existing = readExisting(path);
    return stateOf(existing, existing ? lastGeneratedText(path) : std::nullopt, newText);
}

SourceWrite writeGeneratedSource(const std::string &path, const std::string &newText, EditedSource how)
{
    const std::optional<std::string> existing = readExisting(path);
    const std::optional<std::string> last = existing ? lastGeneratedText(path) : std::nullopt;
    SourceWrite outcome;
    outcome.before = stateOf(existing, last, newText);
    std::string text = newText;
    const bool edited = outcome.before == SourceState::Edited || outcome.before == SourceState::Unknown;
    if (edited && (how == EditedSource::Refuse || (how == EditedSource::Merge && !last)))
        refuse(path, outcome.before, how);
    if (edited && how == EditedSource::Merge) {
        MergedSource merged;
        try {
            merged = mergeGeneratedSource(*last, *existing, newText, std::filesystem::path(path).filename().string());
        } catch (const GenerationError &e) {
            throw GenerationError(path + ": " + e.what() + "; it was left as it is and nothing was written", path);
        }
        text = std::move(merged.text);
        outcome.merged = true;
        outcome.conflicts = merged.conflicts;
    }
    try {
        platform::writeFileAtomically(path, text);
    } catch (const platform::FileError &e) {
        rethrowFileError(e);
    }
    try {
        rememberGeneratedText(path, newText);
    } catch (const GenerationError &e) {
        outcome.warning = std::string(e.what()) + "; the next generation of " + path +
                          " will ask before replacing it";
    }
    return outcome;
}

} // namespace quillon::generator
