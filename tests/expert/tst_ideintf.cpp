/*
** Each operation of the IDE's interfaces stands at its fixed slot of the
** virtual table, so a host built apart from the expert finds it there.
** Under the Itanium C++ ABI (GCC and Clang on Linux) a pointer to a virtual
** member function holds 1 plus the operation's byte offset in the table.
*/

#include "expert/ideintf.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace quillon::expert {
namespace {

template <typename Pmf>
std::ptrdiff_t slotOf(Pmf pmf)
{
    static_assert(sizeof(Pmf) == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t words[2];
    std::memcpy(words, &pmf, sizeof words);
    EXPECT_EQ(words[0] & 1, 1) << "not a virtual operation";
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void *));
}

struct SlotRow
{
    const char *name;
    std::ptrdiff_t slot;
    std::ptrdiff_t expected;
};

void PrintTo(const SlotRow &row, std::ostream *os)
{
    *os << row.name;
}

class IdeSlots : public ::testing::TestWithParam<SlotRow>
{};

TEST_P(IdeSlots, OperationStandsAtItsSlot)
{
    EXPECT_EQ(GetParam().slot, GetParam().expected) << GetParam().name;
}

#define SLOT(cls, op, n) SlotRow{#cls "::" #op, slotOf(&cls::op), n}

INSTANTIATE_TEST_SUITE_P(
    Table, IdeSlots,
    ::testing::Values(SLOT(TInterface, AddRef, 0), SLOT(TInterface, Release, 1), SLOT(TInterface, GetVersion, 2),
                      SLOT(TIExpert, GetName, 3), SLOT(TIExpert, GetAuthor, 4), SLOT(TIExpert, GetComment, 5),
                      SLOT(TIExpert, GetPage, 6), SLOT(TIExpert, GetGlyph, 7), SLOT(TIExpert, GetStyle, 8),
                      SLOT(TIExpert, GetState, 9), SLOT(TIExpert, GetIDString, 10), SLOT(TIExpert, GetMenuText, 11),
                      SLOT(TIExpert, Execute, 12), SLOT(TIToolServices, CloseProject, 3),
                      SLOT(TIToolServices, OpenProject, 4), SLOT(TIToolServices, OpenProjectInfo, 5),
                      SLOT(TIToolServices, GetParentHandle, 14), SLOT(TIToolServices, GetMainMenu, 33),
                      SLOT(TIToolServices, RaiseException, 40), SLOT(TIMainMenuIntf, Release, 1),
                      SLOT(TIMainMenuIntf, GetMenuItems, 3), SLOT(TIMainMenuIntf, FindMenuItem, 4),
                      SLOT(TIMenuItemIntf, GetName, 7), SLOT(TIMenuItemIntf, GetFlags, 13),
                      SLOT(TIMenuItemIntf, SetFlags, 14), SLOT(TIMenuItemIntf, InsertItem, 23)));

} // namespace
} // namespace quillon::expert
