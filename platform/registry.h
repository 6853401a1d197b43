#pragma once

/*
** A file-backed registry with the two hives the system uses,
** HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
**
** Each hive is a text file in the REGEDIT4 format inside one folder:
**
**     REGEDIT4
**
**     [HKEY_CURRENT_USER\Software\Tarvik\Quillon]
**     "InstallPath"="/opt/quillon"
**     "Left"=dword:0000003e
**
** Key paths and value names match without regard to ASCII case, as on
** Windows. Strings are 8-bit and carried byte for byte; inside quotes a
** backslash, a double quote, CR and LF are escaped as \\, \", \r and \n.
** Lines the reader does not understand are kept as they are.
**
** Every write takes an inter-process lock on the hive, re-reads the file,
** applies the one change and replaces the file atomically, so two processes
** writing at once lose nothing. Reads see the file as it is at open time.
**
** The folder is named by the environment variable QUILLON_REGISTRY_DIR, else
** it is "quillon/registry" in the user's configuration folder
** (platform::userConfigHome(): $XDG_CONFIG_HOME, else ~/.config). There is
** no shared fallback such as /tmp: any local user could create that folder
** first and so choose the values every other user reads.
**
** Some values choose code: the engine library's folder, the template of the
** generated source. Those are taken only from a hive file that
** untrustedHiveReason() finds nothing against.
*/

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillon::platform {

enum class Hive { CurrentUser, LocalMachine };

// The hive's name as it appears in key lines: "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char *hiveName(Hive hive);

class Registry;

// One key: a snapshot of its values taken when it was opened or created.
// Writes go straight to the hive file and update the snapshot.
class RegistryKey
{
public:
    std::optional<std::string> readString(std::string_view name) const;
    std::optional<std::uint32_t> readDword(std::string_view name) const;
    // The names of the key's values, in file order.
    std::vector<std::string> valueNames() const;

    // Throw FileError if the hive file cannot be written.
    void writeString(std::string_view name, std::string_view value);
    void writeDword(std::string_view name, std::uint32_t value);

    const std::string &path() const { return m_path; }

private:
    friend class Registry;
    struct Value
    {
        std::string name;
        std::string data; // the text after "=", as it stands in the file
    };
    RegistryKey(const Registry *registry, Hive hive, std::string path, std::vector<Value> values);
    void write(std::string_view name, std::string data);
    const Value *find(std::string_view name) const;

    const Registry *m_registry;
    Hive m_hive;
    std::string m_path;
    std::vector<Value> m_values;
};

class Registry
{
public:
    // QUILLON_REGISTRY_DIR, else quillon/registry in the configuration
    // folder. Throws FileError when neither is known.
    static std::string defaultDirectory();

    explicit Registry(std::string directory = defaultDirectory());

    const std::string &directory() const { return m_directory; }
    std::string hiveFile(Hive hive) const;

    // Why the hive file may not choose code that a program runs, as a
    // phrase: empty when the file belongs to this user or to root and users
    // outside its group cannot write to it, or when there is no such file.
    // (Group write is allowed: with a umask of 002 every file of the user is
    // group-writable.)
    std::string untrustedHiveReason(Hive hive) const;

    // Opens an existing key for reading; nullopt if the key does not exist.
    // Throws FileError only if the hive file exists but cannot be read.
    std::optional<RegistryKey> openKey(Hive hive, std::string_view path) const;

    // Opens the key, creating it (and the hive file and folder) if needed.
    // Throws FileError if that fails.
    RegistryKey createKey(Hive hive, std::string_view path) const;

private:
    friend class RegistryKey;
    std::string m_directory;
};

} // namespace quillon::platform
