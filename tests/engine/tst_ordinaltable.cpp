/*
** The function table's ordinals: the rows the engine's loader protocol
** fixes, the entries our code calls, and the descriptors built from them.
*/

#include "engine/enginebinding.h"
#include "engine/ordinaltable.h"

#include <gtest/gtest.h>

#include <set>

namespace quillon::engine::test {
namespace {

struct Row
{
    std::size_t slot;
    unsigned ordinal;
};

class OrdinalRowTest : public ::testing::TestWithParam<Row>
{};

TEST_P(OrdinalRowTest, SlotHoldsItsOrdinalAndItsDescriptorSaysSo)
{
    const Row row = GetParam();
    EXPECT_EQ(kOrdinals[row.slot], row.ordinal);
    EXPECT_EQ(slotOfOrdinal(row.ordinal), row.slot);
    const FunctionDescriptor &d = functionDescriptor(row.slot);
    EXPECT_EQ(d.slotIndex, row.slot);
    EXPECT_EQ(d.ordinal, row.ordinal);
}

INSTANTIATE_TEST_SUITE_P(FixedRows, OrdinalRowTest,
                         ::testing::Values(Row{0, 1242}, Row{1, 1241}, Row{3, 1229}, Row{20, 1211},
                                           Row{24, 1207}, Row{272, 902}, Row{273, 142}, Row{274, 895},
                                           Row{564, 120}, Row{653, 4}));

TEST(OrdinalTableTest, DistinctAndDecreasingExceptAtSlot273)
{
    std::set<unsigned> seen;
    for (std::size_t slot = 0; slot < kFunctionCount; ++slot) {
        EXPECT_TRUE(seen.insert(kOrdinals[slot]).second) << "ordinal " << kOrdinals[slot] << " twice";
        if (slot > 0 && slot != 273 && slot != 274) {
            EXPECT_LT(kOrdinals[slot], kOrdinals[slot - 1]) << "at slot " << slot;
        }
    }
    EXPECT_LT(kOrdinals[274], kOrdinals[272]);
    EXPECT_EQ(seen.size(), kFunctionCount);
}

TEST(OrdinalTableTest, EveryDataAccessEntryHasASlot)
{
    for (unsigned ordinal = QDBI_ORD_LISTALIASES; ordinal <= QDBI_ORD_GETLASTERROR; ++ordinal)
        EXPECT_LT(slotOfOrdinal(ordinal), kFunctionCount) << "ordinal " << ordinal;
    EXPECT_EQ(slotOfOrdinal(1), kFunctionCount);
}

TEST(OrdinalTableTest, ExportNameRule)
{
    EXPECT_EQ(ordinalSymbol(1211), "DbiOrdinal_1211");
    EXPECT_EQ(ordinalSymbol(0x10000 + 1207), "DbiOrdinal_1207") << "only the low 16 bits count";
}

} // namespace
} // namespace quillon::engine::test
