#include "generator/editedsource.h"
#include "generator/lastgenerated.h"

#include "platform/atomicfile.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace quillon;
using namespace quillon::generator;

namespace {

// A generated source in CR LF lines, as the generator writes them.
std::string source(const char *declaration, const char *title)
{
    return std::string("library Ext;\r\n{ generated }\r\nuses\r\n  Unit1;\r\nvar\r\n") + declaration +
           "\r\nbegin\r\n  Title := '" + title + "';\r\nend.\r\n";
}

const std::string kLast = source("  X: Integer;", "Old");
const std::string kNew = source("  X: Integer;", "New");              // the project's change
const std::string kEdited = source("  X, Y: Integer;", "Old");        // the user's edit elsewhere
const std::string kClashing = source("  X: Integer;", "Mine");        // the user's edit on the same line

struct EditCase
{
    const char *name;
    const std::string *last;     // what Quillon last wrote there, nullptr: nothing known
    const std::string *existing; // the file before, nullptr: none
    EditedSource how;
    SourceState before;
    const char *refusal;         // the refusal's message after the path, nullptr: written
    std::string after;           // the file afterwards (when written)
    bool conflicts;
};

const EditCase kCases[] = {
    {"NewFileIsWritten", nullptr, nullptr, EditedSource::Refuse, SourceState::Absent, nullptr, kNew, false},
    {"UntouchedSourceIsReplaced", &kLast, &kLast, EditedSource::Refuse, SourceState::AsGenerated, nullptr, kNew, false},
    {"FileAlreadyNewNeedsNoRecord", nullptr, &kNew, EditedSource::Refuse, SourceState::AsGenerated, nullptr, kNew,
     false},
    {"EditedIsRefused", &kLast, &kEdited, EditedSource::Refuse, SourceState::Edited,
     " has been changed since Quillon generated it; it was left as it is and nothing was written", kEdited, false},
    {"UnknownIsRefused", nullptr, &kEdited, EditedSource::Refuse, SourceState::Unknown,
     " was not generated here by Quillon (nothing is known of what Quillon last wrote there); it was left as it "
     "is and nothing was written",
     kEdited, false},
    {"UnknownCannotBeMerged", nullptr, &kEdited, EditedSource::Merge, SourceState::Unknown,
     " cannot be merged: nothing is known of what Quillon last wrote there; it was left as it is and nothing "
     "was written",
     kEdited, false},
    {"EditedIsReplacedWhenAsked", &kLast, &kEdited, EditedSource::Replace, SourceState::Edited, nullptr, kNew, false},
    {"UnknownIsReplacedWhenAsked", nullptr, &kEdited, EditedSource::Replace, SourceState::Unknown, nullptr, kNew,
     false},
    {"MergeKeepsTheEditAndTakesTheChange", &kLast, &kEdited, EditedSource::Merge, SourceState::Edited, nullptr,
     source("  X, Y: Integer;", "New"), false},
    {"MergeMarksAConflictInTheFilesLineEnds", &kLast, &kClashing, EditedSource::Merge, SourceState::Edited, nullptr,
     "library Ext;\r\n{ generated }\r\nuses\r\n  Unit1;\r\nvar\r\n  X: Integer;\r\nbegin\r\n"
     "<<<<<<< Ext.dpr (your edits)\r\n  Title := 'Mine';\r\n=======\r\n  Title := 'New';\r\n"
     ">>>>>>> Ext.dpr (generated now)\r\nend.\r\n",
     true},
};

class EditedSourceRule : public testing::TestWithParam<EditCase>
{
protected:
    void SetUp() override { setenv("QUILLON_STATE_DIR", m_state.path().c_str(), 1); }
    void TearDown() override { unsetenv("QUILLON_STATE_DIR"); }

    test::TempDir m_dir{"quillon-edit"};
    test::TempDir m_state{"quillon-state"};
};

TEST_P(EditedSourceRule, KeepsEditsUnlessToldOtherwise)
{
    const EditCase &c = GetParam();
    const std::string path = m_dir.file("Ext.dpr");
    if (c.last)
        rememberGeneratedText(path, *c.last);
    if (c.existing)
        platform::writeFileAtomically(path, *c.existing);
    EXPECT_EQ(examineSource(path, kNew), c.before);
    if (c.refusal) {
        try {
            writeGeneratedSource(path, kNew, c.how);
            ADD_FAILURE() << "the file was written";
        } catch (const EditedSourceError &e) {
            EXPECT_EQ(e.what(), path + c.refusal);
            EXPECT_EQ(e.path(), path);
            EXPECT_EQ(e.state(), c.before);
        }
        EXPECT_EQ(platform::readFile(path), c.after);
        EXPECT_EQ(lastGeneratedText(path), c.last ? std::optional(*c.last) : std::nullopt);
        return;
    }
    const SourceWrite written = writeGeneratedSource(path, kNew, c.how);
    EXPECT_EQ(written.before, c.before);
    EXPECT_EQ(written.conflicts, c.conflicts);
    EXPECT_EQ(written.merged, c.how == EditedSource::Merge && c.before == SourceState::Edited);
    EXPECT_EQ(written.warning, "");
    EXPECT_EQ(platform::readFile(path), c.after);
    // The new text is the last generated one: a merged file, still holding
    // the edits, counts as edited next time; a replaced one as untouched.
    EXPECT_EQ(lastGeneratedText(path), kNew);
    EXPECT_EQ(examineSource(path, source("  X: Integer;", "Newer")),
              c.after == kNew ? SourceState::AsGenerated : SourceState::Edited);
}

INSTANTIATE_TEST_SUITE_P(Rows, EditedSourceRule, testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

// A source is known by its path, however it is written; one record never
// answers for another file.
TEST_F(EditedSourceRule, RecordsAreKeptPerSourcePath)
{
    std::filesystem::create_directory(m_dir.file("sub"));
    rememberGeneratedText(m_dir.file("Ext.dpr"), kLast);
    EXPECT_EQ(lastGeneratedText(m_dir.file("sub/../Ext.dpr")), kLast);
    EXPECT_EQ(lastGeneratedText(m_dir.file("sub/Ext.dpr")), std::nullopt);
    // The records live in the state folder, not beside the source.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 1);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(lastGeneratedFolder()), {}), 1);
}

// A file that is not text cannot be merged; it is left as it is.
TEST_F(EditedSourceRule, ABinaryFileIsNotMerged)
{
    const std::string path = m_dir.file("Ext.dpr");
    rememberGeneratedText(path, kLast);
    const std::string binary = kEdited + std::string("\0\x01", 2);
    platform::writeFileAtomically(path, binary);
    try {
        writeGeneratedSource(path, kNew, EditedSource::Merge);
        ADD_FAILURE() << "merged";
    } catch (const GenerationError &e) {
        EXPECT_EQ(e.what(), path + ": it cannot be merged: it is not text (it holds NUL bytes); it was left as it "
                                   "is and nothing was written");
        EXPECT_EQ(e.path(), path);
    }
    EXPECT_EQ(platform::readFile(path), binary);
}

// A record that cannot be kept does not undo the write; the caller is told.
TEST_F(EditedSourceRule, AnUnwritableStateFolderIsAWarning)
{
    platform::writeFileAtomically(m_dir.file("state"), "a file, not a folder");
    setenv("QUILLON_STATE_DIR", m_dir.file("state").c_str(), 1);
    const SourceWrite written = writeGeneratedSource(m_dir.file("Ext.dpr"), kNew, EditedSource::Refuse);
    EXPECT_EQ(platform::readFile(m_dir.file("Ext.dpr")), kNew);
    EXPECT_NE(written.warning.find(m_dir.file("state/generated")), std::string::npos) << written.warning;
    EXPECT_NE(written.warning.find("the next generation of " + m_dir.file("Ext.dpr") + " will ask"),
              std::string::npos)
        << written.warning;
}

} // namespace
