#pragma once

/*
** ProjectFile: the ".qnp" project file that stores one WizardProject.
**
** The file is a profile (INI) text whose sections and keys stand in a fixed
** order; every line ends with CR LF, list fields are written one key per
** entry (Input0, Input1, ...) and a section without keys is left out. Every
** value is read as Windows reads a profile value (platform/profile.h: a
** byte order mark, any line ends, comment lines, blanks and quotes around
** a value), and a value that would read back otherwise is written between
** double quotes, so a saved file reads the same here and there. The
** two multi-line texts (QrToBrowse, OtherInfo) are written with their CR LF
** breaks inside the value, and read back as their key's line plus every
** following line up to the next line that is one of this format's section
** headers (any letter case, blanks around) or a key of the same section not
** read yet, so every text round-trips byte for byte, trailing empty lines
** included, unless one of its lines looks like such a header.
**
** Save builds the whole text and replaces the file atomically: the old file
** is untouched on failure. Load sets the fields onto a record passed in; a
** key the file lacks keeps the record's current value.
*/

#include "project/projectloadobserver.h"
#include "project/wizardproject.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace quillon {

// A project file that cannot be written or read; what() is the message
// shown to the user.
class ProjectFileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class ProjectFile
{
public:
    // The file text for a project.
    static std::string toText(const WizardProject &project);

    // Writes the project to path atomically. Throws ProjectFileError with
    // "Unable to write to ", the path, ": " and the reason, or with
    // "PATH is not a regular file" for a device, FIFO or folder.
    static void save(const WizardProject &project, const std::string &path);

    // Reads path onto project. A missing file reads as a file without
    // sections. A file that exists but cannot be read, is not a regular
    // file, or holds none of the format's sections ("PATH is not a project
    // file") throws ProjectFileError before anything is changed.
    static void load(const std::string &path, WizardProject &project,
                     ProjectLoadObserver *observer = nullptr);

    // Throws ProjectFileError "Project file not found: PATH" when nothing is
    // at path: for opening a project the user named, where a missing file
    // is a mistake to report rather than an empty project.
    static void requireExists(const std::string &path);

    // Reads a file's text onto project, as load() does.
    static void loadText(std::string_view text, WizardProject &project,
                         ProjectLoadObserver *observer = nullptr);

    // Reads a flag value as the profile gives it (trimmed and unquoted): a
    // decimal number with an optional sign, or 0x/0X and hexadecimal digits
    // when the value is longer than two characters, and nothing else.
    // Non-zero is true; anything that is not such a number, trailing text
    // included, keeps current.
    static bool parseFlag(std::string_view value, bool current);
};

} // namespace quillon
