#pragma once

/*
** ProfileWriter: builds a profile (INI) text in memory and saves it whole.
**
** Every line ends with CR LF. A section header is written only when the
** section's first entry arrives, so a section without entries is absent,
** as it would be when each entry creates its section. Values are written
** as given, except that one which reading would alter (blanks at either
** end, matching quotes around it) is put between double quotes
** (profilevalue.h). A value holding CR LF therefore spans several lines,
** and the reader of such a file is expected to know that.
*/

#include "platform/profilevalue.h"

#include <string>
#include <string_view>

namespace quillon::platform {

class ProfileWriter
{
public:
    // Starts a section; its "[name]" line is written with its first entry.
    void beginSection(std::string_view name);

    // Writes "key=value" in the current section; lines says whether the
    // value is read back as a value of one line or of several.
    void add(std::string_view key, std::string_view value, ValueLines lines = ValueLines::One);

    // Makes room for a text of about this size, so building it copies nothing.
    void reserve(std::size_t bytes) { m_text.reserve(bytes); }

    const std::string &text() const { return m_text; }

    // Replaces the file with the text atomically. Throws FileError.
    void save(const std::string &path) const;

private:
    std::string m_text;
    std::string m_pending; // section whose header is not written yet
    bool m_hasPending = false;
};

} // namespace quillon::platform
