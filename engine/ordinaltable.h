#pragma once

/*
** The ordinals of the engine binding's 654 functions, slot by slot.
**
** The table is fixed by a few anchor rows (1242 at slot 0 down to 4 at slot
** 653, with the one exception that slot 273 holds 142) and by the ordinals
** of the engine library's entries that our own code calls, which must sit
** in the table. Every other slot gets an ordinal chosen evenly from the
** values left between its two neighbouring anchors, so the ordinals stay
** distinct and decrease from slot to slot (except at slot 273), with gaps.
** The table is computed at compile time and checked there.
*/

#include "enginelib/quillondbi.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quillon::engine {

inline constexpr std::size_t kFunctionCount = 654;

namespace detail {

struct Anchor
{
    std::size_t slot;
    std::uint16_t ordinal;
};

inline constexpr Anchor kAnchors[] = {
    {0, 1242}, {1, 1241}, {3, 1229}, {20, QDBI_ORD_DELETEALIAS}, {24, QDBI_ORD_ADDALIAS},
    {272, 902}, {273, 142}, {274, 895}, {564, 120}, {653, 4},
};

// The data-access entries of the engine library; they all fall between
// the anchors at slots 24 and 272.
inline constexpr std::uint16_t kRequired[] = {
    QDBI_ORD_LISTALIASES, QDBI_ORD_LISTCOUNT, QDBI_ORD_LISTITEM, QDBI_ORD_LISTFREE,
    QDBI_ORD_OPENDATABASE, QDBI_ORD_CLOSEDATABASE, QDBI_ORD_LISTTABLES, QDBI_ORD_LISTFIELDS,
    QDBI_ORD_OPENTABLE, QDBI_ORD_OPENQUERY, QDBI_ORD_CLOSECURSOR, QDBI_ORD_COLUMNCOUNT,
    QDBI_ORD_COLUMNNAME, QDBI_ORD_MOVEFIRST, QDBI_ORD_MOVENEXT, QDBI_ORD_MOVEPRIOR,
    QDBI_ORD_MOVELAST, QDBI_ORD_GETCURSORSTATE, QDBI_ORD_GETFIELDTEXT, QDBI_ORD_INSERTROW,
    QDBI_ORD_GETLASTERROR, QDBI_ORD_GETRECORD, QDBI_ORD_OPENQUERYPARAMS,
};

constexpr bool isAnchorOrdinal(unsigned value)
{
    for (const Anchor &a : kAnchors)
        if (a.ordinal == value)
            return true;
    return false;
}

constexpr bool isRequired(unsigned value)
{
    for (std::uint16_t r : kRequired)
        if (r == value)
            return true;
    return false;
}

// Fills the slots strictly between two anchors: the required ordinals in
// range, then free values picked at even steps, all in decreasing order.
constexpr void fillSegment(std::array<std::uint16_t, kFunctionCount> &table, Anchor hi, Anchor lo)
{
    const std::size_t need = lo.slot - hi.slot - 1;
    if (need == 0)
        return;
    std::size_t required = 0, free = 0;
    for (unsigned v = hi.ordinal - 1u; v > lo.ordinal; --v) {
        if (isAnchorOrdinal(v))
            continue;
        (isRequired(v) ? required : free) += 1;
    }
    if (required > need || required + free < need)
        throw "no room for the ordinals between two anchors";
    const std::size_t pick = need - required;
    // Choose pick of the free values at indices floor(i * free / pick).
    std::size_t next = 0, freeIndex = 0, slot = hi.slot + 1;
    for (unsigned v = hi.ordinal - 1u; v > lo.ordinal; --v) {
        if (isAnchorOrdinal(v))
            continue;
        bool take = isRequired(v);
        if (!take) {
            if (next < pick && freeIndex == next * free / pick) {
                take = true;
                ++next;
            }
            ++freeIndex;
        }
        if (take)
            table[slot++] = static_cast<std::uint16_t>(v);
    }
    if (slot != lo.slot)
        throw "segment filled with the wrong number of ordinals";
}

constexpr std::array<std::uint16_t, kFunctionCount> buildOrdinalTable()
{
    std::array<std::uint16_t, kFunctionCount> table{};
    for (const Anchor &a : kAnchors)
        table[a.slot] = a.ordinal;
    for (std::size_t i = 0; i + 1 < std::size(kAnchors); ++i)
        fillSegment(table, kAnchors[i], kAnchors[i + 1]);
    return table;
}

} // namespace detail

inline constexpr std::array<std::uint16_t, kFunctionCount> kOrdinals = detail::buildOrdinalTable();

// The slot that holds an ordinal, or kFunctionCount if the table lacks it.
constexpr std::size_t slotOfOrdinal(unsigned ordinal)
{
    for (std::size_t slot = 0; slot < kFunctionCount; ++slot)
        if (kOrdinals[slot] == ordinal)
            return slot;
    return kFunctionCount;
}

namespace detail {

// One pass with a table of seen ordinals (all lie below 2048), so the
// check stays well inside every compiler's constant-evaluation step limit.
constexpr bool ordinalsAreDistinct()
{
    std::array<bool, 2048> seen{};
    for (std::size_t i = 0; i < kFunctionCount; ++i) {
        const auto ordinal = kOrdinals[i];
        if (ordinal >= seen.size() || seen[ordinal])
            return false;
        seen[ordinal] = true;
    }
    return true;
}

constexpr bool requiredOrdinalsPresent()
{
    for (std::uint16_t r : kRequired)
        if (slotOfOrdinal(r) == kFunctionCount)
            return false;
    return true;
}

} // namespace detail

static_assert(detail::ordinalsAreDistinct());
static_assert(detail::requiredOrdinalsPresent());
static_assert(slotOfOrdinal(QDBI_ORD_DELETEALIAS) == 20 && slotOfOrdinal(QDBI_ORD_ADDALIAS) == 24);

} // namespace quillon::engine
