#include "engine/cursor.h"

#include "engine/enginefunctions.h"
#include "engine/engineerror.h"
#include "engine/enginesession.h"
#include "engine/namelist.h"

#include <utility>

namespace quillon::engine {

Cursor::Cursor(std::unique_ptr<CursorHandle> handle, std::string what)
    : m_handle(std::move(handle))
    , m_what(std::move(what))
{}

Cursor::~Cursor() = default;
Cursor::Cursor(Cursor &&other) noexcept = default;
Cursor &Cursor::operator=(Cursor &&other) noexcept = default;

const CursorHandle &Cursor::handle() const
{
    if (!m_handle)
        throw EngineError(QDBIERR_INVALIDHANDLE, m_what + ": the cursor has been moved from");
    return *m_handle;
}

std::vector<std::string> Cursor::columnNames() const
{
    const hDBICur cursor = handle().handle;
    return readNames([cursor](uint32_t *n) { return DbiGetColumnCount(cursor, n); },
                     [cursor](uint32_t i, const char **name) { return DbiGetColumnName(cursor, i, name); }, m_what);
}

void Cursor::first() { check(DbiMoveFirst(handle().handle), m_what); }
void Cursor::prior() { check(DbiMovePrior(handle().handle), m_what); }
void Cursor::next() { check(DbiMoveNext(handle().handle), m_what); }
void Cursor::last() { check(DbiMoveLast(handle().handle), m_what); }

bool Cursor::eof() const
{
    DBIBool flag = 0;
    check(DbiGetCursorState(handle().handle, nullptr, &flag), m_what);
    return flag != 0;
}

bool Cursor::bof() const
{
    DBIBool flag = 0;
    check(DbiGetCursorState(handle().handle, &flag, nullptr), m_what);
    return flag != 0;
}

std::optional<std::string> Cursor::field(std::size_t index) const
{
    const char *text = nullptr;
    DBIBool isNull = 0;
    check(DbiGetFieldText(handle().handle, static_cast<uint32_t>(index), &text, &isNull), m_what);
    if (isNull)
        return std::nullopt;
    return std::string(text ? text : "");
}

std::vector<std::string> Cursor::row() const
{
    std::vector<std::string> fields;
    readRow([&](const char *const *texts, std::size_t count) { fields.assign(texts, texts + count); });
    return fields;
}

void Cursor::readRow(const std::function<void(const char *const *texts, std::size_t count)> &take) const
{
    const hDBICur cursor = handle().handle;
    if (m_columnCount < 0) {
        uint32_t count = 0;
        check(DbiGetColumnCount(cursor, &count), m_what);
        m_columnCount = count;
        m_texts.resize(count);
    }
    if (m_columnCount == 0) {
        take(m_texts.data(), 0);
        return;
    }
    check(DbiGetRecord(cursor, static_cast<uint32_t>(m_columnCount), m_texts.data(), nullptr), m_what);
    take(m_texts.data(), m_texts.size());
}

} // namespace quillon::engine
