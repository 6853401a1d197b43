#include "platform/profilewriter.h"

#include "platform/atomicfile.h"

namespace quillon::platform {

void ProfileWriter::beginSection(std::string_view name)
{
    m_pending.assign(name);
    m_hasPending = true;
}

void ProfileWriter::add(std::string_view key, std::string_view value, ValueLines lines)
{
    if (m_hasPending) {
        m_text += '[';
        m_text += m_pending;
        m_text += "]\r\n";
        m_hasPending = false;
    }
    m_text += key;
    m_text += '=';
    m_text += profileValueText(value, lines);
    m_text += "\r\n";
}

void ProfileWriter::save(const std::string &path) const
{
    writeFileAtomically(path, m_text);
}

} // namespace quillon::platform
