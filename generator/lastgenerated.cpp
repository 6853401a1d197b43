#include "generator/lastgenerated.h"

#include "generator/generationerror.h"
#include "platform/atomicfile.h"
#include "platform/statedir.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace quillon::generator {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMagic = "quillon-last-generated ";

// The source's identity: absolute, with the symbolic links of what exists resolved.
std::string sourceKey(const std::string &sourcePath)
{
    std::error_code ec;
    fs::path key = fs::weakly_canonical(fs::absolute(sourcePath, ec), ec);
    if (ec)
        key = fs::absolute(sourcePath, ec).lexically_normal();
    return key.string();
}

// FNV-1a, 64 bits: spreads paths over file names; collisions are caught by the stored path.
std::string hashName(std::string_view key)
{
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : key) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.dpr", static_cast<unsigned long long>(h));
    return name;
}

std::string recordPath(const std::string &key)
{
    const std::string folder = lastGeneratedFolder();
    if (folder.empty())
        throw GenerationError("there is no state folder to remember the generated text in "
                              "(set QUILLON_STATE_DIR, XDG_STATE_HOME or HOME)");
    return folder + "/" + hashName(key);
}

// The record's first line: the magic word and the length of the path that follows it.
std::string header(const std::string &key)
{
    return std::string(kMagic) + std::to_string(key.size()) + "\n" + key + "\n";
}

} // namespace

std::string lastGeneratedFolder()
{
    const std::string state = platform::userStateFolder();
    return state.empty() ? state : state + "/generated";
}

std::optional<std::string> lastGeneratedText(const std::string &sourcePath)
{
    if (lastGeneratedFolder().empty())
        return std::nullopt;
    const std::string key = sourceKey(sourcePath);
    std::optional<std::string> record;
    const std::string path = recordPath(key);
    try {
        record = platform::readFileIfExists(path);
    } catch (const platform::FileError &e) {
        throw GenerationError(e.what(), path);
    }
    const std::string expected = header(key);
    if (!record || !record->starts_with(expected))
        return std::nullopt;
    return record->substr(expected.size());
}

void rememberGeneratedText(const std::string &sourcePath, std::string_view text)
{
    const std::string key = sourceKey(sourcePath);
    const std::string path = recordPath(key);
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        throw GenerationError(folder.string() + ": " + ec.message(), folder.string());
    // The texts are the user's own sources: private to the user.
    ::chmod(folder.c_str(), 0700);
    std::string data = header(key);
    data += text;
    try {
        platform::writeFileAtomically(path, data);
    } catch (const platform::FileError &e) {
        throw GenerationError(e.what(), path);
    }
}

} // namespace quillon::generator
