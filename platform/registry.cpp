#include "platform/registry.h"

#include "platform/asciicase.h"
#include "platform/atomicfile.h"
#include "platform/configdir.h"
#include "platform/filelock.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace quillon::platform {

namespace {

constexpr std::string_view kHeader = "REGEDIT4";

// "Software\\Tarvik\\" and "\Software\Tarvik" both become "Software\Tarvik".
std::string normaliseKeyPath(std::string_view path)
{
    std::string out;
    for (char c : path) {
        if (c == '/')
            c = '\\';
        if (c == '\\' && (out.empty() || out.back() == '\\'))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

std::string quote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    out += '"';
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; returns the position
// after the closing quote, or npos if the string is not closed.
std::size_t unquote(std::string_view text, std::size_t pos, std::string &out)
{
    out.clear();
    for (std::size_t i = pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"')
            return i + 1;
        if (c == '\\' && i + 1 < text.size()) {
            const char n = text[++i];
            out += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
        } else {
            out += c;
        }
    }
    return std::string_view::npos;
}


// One hive file: its keys in file order. Lines that are neither a key line
// nor a value line are kept with the key they follow. Keys are found through
// a hash index by folded path, so reading a hive of n keys is linear in its
// size, not quadratic.
struct HiveText
{
    struct Entry
    {
        std::string name; // value name, "@" for the default value; empty for a kept line
        std::string data; // text after "=", or the whole kept line
    };
    struct Key
    {
        std::string path; // without the hive prefix
        std::vector<Entry> entries;
    };
    std::vector<Entry> preamble; // lines before the first key
    std::vector<Key> keys;
    std::unordered_map<std::string, std::size_t> index; // folded path -> keys[]

    Key *find(std::string_view path)
    {
        const auto it = index.find(foldAsciiCase(path));
        return it == index.end() ? nullptr : &keys[it->second];
    }
    Key &add(std::string path)
    {
        index.emplace(foldAsciiCase(path), keys.size());
        keys.push_back({std::move(path), {}});
        return keys.back();
    }
};

HiveText parseHive(std::string_view text, Hive hive)
{
    HiveText h;
    const std::string prefix = std::string(hiveName(hive)) + "\\";
    std::vector<HiveText::Entry> *current = &h.preamble;
    std::size_t pos = 0;
    bool first = true;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            first = false;
            if (line == kHeader)
                continue;
        }
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            std::string_view inner = line.substr(1, line.size() - 2);
            if (inner.size() >= prefix.size() && equalsNoCase(inner.substr(0, prefix.size()), prefix)) {
                const std::string path = normaliseKeyPath(inner.substr(prefix.size()));
                HiveText::Key *k = h.find(path);
                current = k ? &k->entries : &h.add(path).entries;
                continue;
            }
        }
        HiveText::Entry e;
        if (line.front() == '"') {
            std::string name;
            const std::size_t after = unquote(line, 0, name);
            if (after != std::string_view::npos && after < line.size() && line[after] == '=') {
                e.name = name;
                e.data = std::string(line.substr(after + 1));
                current->push_back(std::move(e));
                continue;
            }
        } else if (line.size() >= 2 && line[0] == '@' && line[1] == '=') {
            e.name = "@";
            e.data = std::string(line.substr(2));
            current->push_back(std::move(e));
            continue;
        }
        e.data = std::string(line);
        current->push_back(std::move(e));
    }
    return h;
}

std::string formatHive(const HiveText &h, Hive hive)
{
    std::string out;
    std::size_t size = 16;
    for (const auto &k : h.keys) {
        size += k.path.size() + 32;
        for (const auto &e : k.entries)
            size += e.name.size() + e.data.size() + 8;
    }
    out.reserve(size);
    out += kHeader;
    out += "\r\n";
    auto entries = [&out](const std::vector<HiveText::Entry> &list) {
        for (const auto &e : list) {
            if (e.name == "@") {
                out += "@=";
            } else if (!e.name.empty()) {
                out += quote(e.name);
                out += '=';
            }
            out += e.data;
            out += "\r\n";
        }
    };
    entries(h.preamble);
    for (const auto &k : h.keys) {
        out += "\r\n[";
        out += hiveName(hive);
        out += "\\" + k.path + "]\r\n";
        entries(k.entries);
    }
    return out;
}

HiveText loadHive(const Registry &reg, Hive hive)
{
    const auto text = readFileIfExists(reg.hiveFile(hive));
    return text ? parseHive(*text, hive) : HiveText{};
}

void makeFolders(const std::string &dir)
{
    std::string partial;
    std::size_t pos = 0;
    while (pos <= dir.size()) {
        std::size_t next = dir.find('/', pos);
        if (next == std::string::npos)
            next = dir.size();
        partial = dir.substr(0, next);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
            throw FileError(partial, std::strerror(errno));
        pos = next + 1;
    }
}

} // namespace

const char *hiveName(Hive hive)
{
    return hive == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

std::string Registry::defaultDirectory()
{
    if (const char *dir = std::getenv("QUILLON_REGISTRY_DIR"); dir && *dir)
        return dir;
    const std::string base = userConfigHome();
    if (base.empty())
        throw FileError("", "No place for the registry: set QUILLON_REGISTRY_DIR, XDG_CONFIG_HOME or HOME");
    return base + "/quillon/registry";
}

std::string Registry::untrustedHiveReason(Hive hive) const
{
    struct stat st {};
    if (::stat(hiveFile(hive).c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? std::string()
                                                   : std::string("it cannot be examined: ") + std::strerror(errno);
    if (st.st_uid != ::getuid() && st.st_uid != 0)
        return "it belongs to another user (uid " + std::to_string(st.st_uid) + ")";
    if (st.st_mode & S_IWOTH)
        return "every user may write to it";
    return {};
}

Registry::Registry(std::string directory)
    : m_directory(std::move(directory))
{}

std::string Registry::hiveFile(Hive hive) const
{
    return m_directory + "/" + hiveName(hive) + ".reg";
}

std::optional<RegistryKey> Registry::openKey(Hive hive, std::string_view path) const
{
    HiveText h = loadHive(*this, hive);
    const std::string norm = normaliseKeyPath(path);
    HiveText::Key *k = h.find(norm);
    if (!k)
        return std::nullopt;
    std::vector<RegistryKey::Value> values;
    for (auto &e : k->entries)
        if (!e.name.empty())
            values.push_back({std::move(e.name), std::move(e.data)});
    return RegistryKey(this, hive, k->path, std::move(values));
}

RegistryKey Registry::createKey(Hive hive, std::string_view path) const
{
    makeFolders(m_directory);
    const std::string file = hiveFile(hive);
    FileLock lock(file + ".lock");
    HiveText h = loadHive(*this, hive);
    const std::string norm = normaliseKeyPath(path);
    if (HiveText::Key *k = h.find(norm)) {
        std::vector<RegistryKey::Value> values;
        for (auto &e : k->entries)
            if (!e.name.empty())
                values.push_back({std::move(e.name), std::move(e.data)});
        return RegistryKey(this, hive, k->path, std::move(values));
    }
    h.add(norm);
    writeFileAtomically(file, formatHive(h, hive));
    return RegistryKey(this, hive, norm, {});
}

RegistryKey::RegistryKey(const Registry *registry, Hive hive, std::string path,
                         std::vector<Value> values)
    : m_registry(registry), m_hive(hive), m_path(std::move(path)), m_values(std::move(values))
{}

const RegistryKey::Value *RegistryKey::find(std::string_view name) const
{
    if (name.empty())
        name = "@";
    for (const auto &v : m_values)
        if (equalsNoCase(v.name, name))
            return &v;
    return nullptr;
}

std::optional<std::string> RegistryKey::readString(std::string_view name) const
{
    const Value *v = find(name);
    if (!v || v->data.empty() || v->data.front() != '"')
        return std::nullopt;
    std::string out;
    if (unquote(v->data, 0, out) == std::string_view::npos)
        return std::nullopt;
    return out;
}

std::optional<std::uint32_t> RegistryKey::readDword(std::string_view name) const
{
    const Value *v = find(name);
    constexpr std::string_view tag = "dword:";
    if (!v || v->data.size() <= tag.size() || !equalsNoCase(std::string_view(v->data).substr(0, tag.size()), tag))
        return std::nullopt;
    const std::string digits = v->data.substr(tag.size());
    if (digits.size() > 8)
        return std::nullopt;
    std::uint32_t result = 0;
    for (char c : digits) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (foldAscii(c) >= 'a' && foldAscii(c) <= 'f')
            d = foldAscii(c) - 'a' + 10;
        else
            return std::nullopt;
        result = result * 16 + static_cast<std::uint32_t>(d);
    }
    return result;
}

void RegistryKey::writeString(std::string_view name, std::string_view value)
{
    write(name, quote(value));
}

void RegistryKey::writeDword(std::string_view name, std::uint32_t value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "dword:%08x", value);
    write(name, buf);
}

void RegistryKey::write(std::string_view name, std::string data)
{
    makeFolders(m_registry->directory());
    const std::string file = m_registry->hiveFile(m_hive);
    FileLock lock(file + ".lock");
    HiveText h = loadHive(*m_registry, m_hive);
    HiveText::Key *k = h.find(m_path);
    if (!k)
        k = &h.add(m_path);
    const std::string entryName = name.empty() ? std::string("@") : std::string(name);
    bool replaced = false;
    for (auto &e : k->entries) {
        if (!e.name.empty() && equalsNoCase(e.name, entryName)) {
            e.data = data;
            replaced = true;
            break;
        }
    }
    if (!replaced)
        k->entries.push_back({entryName, data});
    writeFileAtomically(file, formatHive(h, m_hive));

    for (auto &v : m_values) {
        if (equalsNoCase(v.name, entryName)) {
            v.data = std::move(data);
            return;
        }
    }
    m_values.push_back({entryName, std::move(data)});
}

std::vector<std::string> RegistryKey::valueNames() const
{
    std::vector<std::string> names;
    names.reserve(m_values.size());
    for (const Value &v : m_values)
        names.push_back(v.name);
    return names;
}

} // namespace quillon::platform
