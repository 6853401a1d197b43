#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "tests/project/sampleproject.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillon;

namespace {

/*
** Whatever a file holds, a load must not crash, and the record it leaves
** must be one the format carries exactly: saving it and loading the text
** onto a fresh record gives the same record back.
*/
void expectLoadsAndRoundTrips(std::string_view text)
{
    WizardProject p;
    ProjectFile::loadText(text, p);
    WizardProject back;
    ProjectFile::loadText(ProjectFile::toText(p), back);
    ASSERT_EQ(back, p) << "input of " << text.size() << " bytes";
}

TEST(ProjectFileInput, EveryTruncationOfAFileLoads)
{
    const std::string text = ProjectFile::toText(quillon::test::awkwardProject());
    for (std::size_t n = 0; n <= text.size(); ++n)
        expectLoadsAndRoundTrips(std::string_view(text).substr(0, n));
}

TEST(ProjectFileInput, FileWithoutSectionsChangesOnlyLists)
{
    WizardProject p = quillon::test::awkwardProject();
    ProjectFile::loadText("PageTitle=x\r\nDBOk=0\r\n\x01\x02 no sections at all", p);
    WizardProject expected = quillon::test::awkwardProject();
    for (StringList *list : {&expected.Input, &expected.AvailFields, &expected.AvailInput,
                             &expected.UpdFields, &expected.RetAvailFields,
                             &expected.RetChosenFields})
        list->clear();
    expected.DBName.clear();
    expected.TbInsData.clear();
    expected.TbToBrowse.clear();
    EXPECT_EQ(p, expected);
}

TEST(ProjectFileInput, HugeFileWithVeryLongLines)
{
    std::string line(4'000'000, 'q');
    line[1000] = '\0';
    line[2000] = '\v';
    const std::string text = "[OtherData]\r\nPageTitle=" + line + "\r\n[Input]\r\nInput0=" +
                             line + "\r\n" + std::string(1'000'000, '\n') + "Input1=end";
    WizardProject p;
    ProjectFile::loadText(text, p);
    EXPECT_EQ(p.PageTitle, line);
    EXPECT_EQ(p.Input, (StringList{line, "end"}));
}

TEST(ProjectFileInput, HugeFileFromDisk)
{
    const quillon::test::TempDir dir;
    std::string text = "[Input]\r\n";
    for (int i = 0; i < 200000; ++i)
        text += "Input" + std::to_string(i) + "=v" + std::to_string(i) + "\r\n";
    platform::writeFileAtomically(dir.file("big.qnp"), text);
    WizardProject p;
    ProjectFile::load(dir.file("big.qnp"), p);
    ASSERT_EQ(p.Input.size(), 200000u);
    EXPECT_EQ(p.Input.back(), "v199999");
}

// Random bytes biased towards the format's own pieces, from fixed seeds so
// that a failure can be repeated.
TEST(ProjectFileInput, SeededRandomInputs)
{
    const std::vector<std::string> pieces = {
        "[HeaderFooter]", "[Input]", "[DBCheck]", "[DatabaseBR]", "[OtherData]", "[DLLOutput]",
        "[FieldSelect1]", "[DatabaseUP3]", "QrToBrowse=", "OtherInfo=", "Input0=", "DBOk=",
        "DoInsert=1", "DoBrowse=", "UpdFields0=", "RetAvailFields1=", "TbBrowse=0x1", "=", "[",
        "]", "\r\n", "\r", "\n", std::string(1, '\0'), "\xff", " ", "0x", "-"};
    for (unsigned seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        std::string text;
        const int count = static_cast<int>(rng() % 200);
        for (int i = 0; i < count; ++i) {
            if (rng() % 3 == 0)
                text += static_cast<char>(rng() % 256);
            else
                text += pieces[rng() % pieces.size()];
        }
        SCOPED_TRACE("seed " + std::to_string(seed));
        expectLoadsAndRoundTrips(text);
    }
}

} // namespace
