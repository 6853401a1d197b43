// Project files made or edited on Windows: file text in, loaded fields out.
// Each row is a file and the one field it is about; the record starts from
// its defaults with PageTitle and DBName "before", so a line that must not
// count shows.

#include "platform/atomicfile.h"
#include "project/projectfile.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

using WP = WizardProject;

struct Field
{
    std::string WP::*text = nullptr;
    StringList WP::*list = nullptr;
};

// A text field as it stands, a list as its entries joined by "|".
std::string show(const WP &p, const Field &f)
{
    if (f.text)
        return p.*f.text;
    std::string joined;
    for (const std::string &entry : p.*f.list)
        joined += (joined.empty() ? "" : "|") + entry;
    return joined;
}

struct LoadCase
{
    const char *name;
    std::string text;
    Field field;
    std::string expected;
};

class WindowsFile : public ::testing::TestWithParam<LoadCase>
{};

TEST_P(WindowsFile, Loads)
{
    const LoadCase &c = GetParam();
    WP p;
    p.PageTitle = "before";
    p.DBName = "before";
    ProjectFile::loadText(c.text, p);
    EXPECT_EQ(show(p, c.field), c.expected);
}

// UTF-16 bytes of a text, with its byte order mark.
std::string utf16(std::u16string_view text, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

std::string manyInputs(int n)
{
    std::string text = "[Input]\r\n";
    for (int i = 0; i < n; ++i)
        text += "Input" + std::to_string(i) + "=v\r\n";
    return text;
}

const Field PageTitle{&WP::PageTitle};
const Field HeaderFile{&WP::HeaderFile};
const Field DBName{&WP::DBName};
const Field QrToBrowse{&WP::QrToBrowse};
const Field OtherInfo{&WP::OtherInfo};
const Field Input{nullptr, &WP::Input};
const Field UpdFields{nullptr, &WP::UpdFields};

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowsFile,
    ::testing::Values(
        // Blanks around a value are no part of it: space, tab, VT, FF, CR.
        LoadCase{"BlanksAroundPath", "[HeaderFooter]\r\nHeaderFile = C:\\web\\head.htm\r\n", HeaderFile,
                 "C:\\web\\head.htm"},
        LoadCase{"BlanksAroundInput", "[Input]\r\nInput0 = Name \r\n", Input, "Name"},
        LoadCase{"BlankInputAddsNone", "[Input]\r\nInput0=a\r\nInput1=   \r\nInput2=\t\r\n", Input, "a"},
        LoadCase{"EveryBlank", "[OtherData]\r\nPageTitle=\t\v\f T \f\v\t\r\n", PageTitle, "T"},
        LoadCase{"BlanksInsideStay", "[OtherData]\r\nPageTitle=a \t b\r\n", PageTitle, "a \t b"},
        // One pair of matching quotes around it is no part of it either.
        LoadCase{"DoubleQuotes", "[OtherData]\r\nPageTitle=\"Customers\"\r\n", PageTitle, "Customers"},
        LoadCase{"SingleQuotes", "[OtherData]\r\nPageTitle='Customers'\r\n", PageTitle, "Customers"},
        LoadCase{"QuotesAfterBlanks", "[OtherData]\r\nPageTitle= \"  x  \" \r\n", PageTitle, "  x  "},
        LoadCase{"OnlyOnePair", "[OtherData]\r\nPageTitle=\"\"q\"\"\r\n", PageTitle, "\"q\""},
        LoadCase{"UnmatchedQuotes", "[OtherData]\r\nPageTitle=\"mixed'\r\n", PageTitle, "\"mixed'"},
        LoadCase{"OpeningQuoteOnly", "[OtherData]\r\nPageTitle=\"open\r\n", PageTitle, "\"open"},
        LoadCase{"LoneQuote", "[OtherData]\r\nPageTitle=\"\r\n", PageTitle, "\""},
        LoadCase{"EmptyQuotes", "[OtherData]\r\nPageTitle=\"\"\r\n", PageTitle, ""},
        LoadCase{"EmptyQuotedInputAddsNone", "[Input]\r\nInput0=a\r\nInput1=\"\"\r\n", Input, "a"},
        LoadCase{"QuotedMapping", "[DatabaseUP3]\r\nUpdFields0=\"NAME=Name\"\r\n", UpdFields, "NAME=Name"},
        // A line whose first non-blank character is ";" is a comment everywhere.
        LoadCase{"CommentInList", "[Input]\r\nInput0=a\r\n;Input2=Commented\r\nInput1=b\r\n", Input, "a|b"},
        LoadCase{"IndentedComment", "[OtherData]\r\n  ;PageTitle=x\r\n", PageTitle, "before"},
        LoadCase{"CommentBeforeKey", "[OtherData]\r\n; PageTitle=x\r\nPageTitle=y\r\n", PageTitle, "y"},
        LoadCase{"CommentedHeader", "[OtherData]\r\n;[Input]\r\nPageTitle=t\r\n", PageTitle, "t"},
        LoadCase{"SemicolonInsideValue", "[OtherData]\r\nPageTitle=a;b\r\n", PageTitle, "a;b"},
        // CR, LF, CR LF and CR CR LF each end a line.
        LoadCase{"LoneCrLines", "[OtherData]\rExtName=E\rPageTitle=T\r", PageTitle, "T"},
        LoadCase{"CrThenLfLines", "[HeaderFooter]\rHeaderFile=h\r[OtherData]\nPageTitle=T\n", HeaderFile, "h"},
        LoadCase{"CrCrLfLines", "[OtherData]\r\r\nPageTitle=T\r\r\nExtName=E\r\r\n", PageTitle, "T"},
        LoadCase{"CrCrLfMultiLine", "[OtherData]\r\r\nOtherInfo=a\r\r\nb\r\r\n[DLLOutput]\r\r\n", OtherInfo,
                 "a\r\nb"},
        LoadCase{"LoneCrMultiLine", "[DatabaseBR]\rQrToBrowse=SELECT *\rFROM T\r[FieldSelect1]\r", QrToBrowse,
                 "SELECT *\r\nFROM T"},
        // A value of several lines is trimmed and unquoted as one text; its
        // line breaks are no blanks.
        LoadCase{"MultiLineTrimKeepsBreaks", "[DatabaseBR]\r\nQrToBrowse=  SELECT *\r\nFROM T  \r\n\r\n[X]",
                 QrToBrowse, "SELECT *\r\nFROM T  \r\n\r\n[X]"},
        LoadCase{"MultiLineFinalBreakStays", "[DatabaseBR]\r\nQrToBrowse=\tSELECT *\r\n\r\n[FieldSelect1]\r\n",
                 QrToBrowse, "SELECT *\r\n"},
        LoadCase{"MultiLineQuoted", "[DatabaseBR]\r\nQrToBrowse=\"SELECT *\r\nFROM T \"\r\n[OtherData]\r\n",
                 QrToBrowse, "SELECT *\r\nFROM T "},
        LoadCase{"MultiLineKeepsCommentLikeLines", "[OtherData]\r\nOtherInfo=a\r\n;b\r\n[DLLOutput]\r\n",
                 OtherInfo, "a\r\n;b"},
        // Byte order marks: UTF-8 and UTF-16 are read as Windows-1252.
        LoadCase{"Utf8BomFirstSection", "\xEF\xBB\xBF[HeaderFooter]\r\nHeaderFile=h.htm\r\n", HeaderFile,
                 "h.htm"},
        LoadCase{"Utf8BomConverted", "\xEF\xBB\xBF[OtherData]\r\nPageTitle=caf\xC3\xA9 \xE2\x82\xAC \xD0\x96\r\n",
                 PageTitle, "caf\xE9 \x80 ?"},
        LoadCase{"Utf8BomMalformed", "\xEF\xBB\xBF[OtherData]\r\nPageTitle=a\xFF" "b\xC3 \xE2\x82\r\n",
                 PageTitle, "a?b? ?"},
        LoadCase{"Utf8BomOverlongAndSurrogate",
                 "\xEF\xBB\xBF[OtherData]\r\nPageTitle=\xC0\xAF|\xED\xA0\x80|\xF0\x9F\x98\x80\r\n", PageTitle,
                 "??|???|?"},
        LoadCase{"Utf16Le", utf16(u"[OtherData]\r\nPageTitle=Caf\u00e9 \u20ac \u0416 \U0001F600\r\n", false),
                 PageTitle, "Caf\xE9 \x80 ? ?"},
        LoadCase{"Utf16Be", utf16(u"[OtherData]\r\nPageTitle=\u0152uvre \u201cq\u201d\r\n", true), PageTitle,
                 "\x8Cuvre \x93q\x94"},
        LoadCase{"Utf16LoneSurrogateAndOddByte", utf16(u"[OtherData]\r\nPageTitle=a\xD800z", false) + "!",
                 PageTitle, "a?z"},
        LoadCase{"Utf16UndefinedBytesRoundTrip", utf16(u"[OtherData]\r\nPageTitle=\x0081\x009D", false),
                 PageTitle, "\x81\x9D"},
        LoadCase{"EightBitWithoutBomKept", "[OtherData]\r\nPageTitle=caf\xE9 \xC3\xA9\r\n", PageTitle,
                 "caf\xE9 \xC3\xA9"},
        // Differences from Windows kept on purpose.
        LoadCase{"NoCutAt1023", "[OtherData]\r\nPageTitle=" + std::string(5000, 'x') + "\r\n", PageTitle,
                 std::string(5000, 'x')},
        LoadCase{"NoKeyNameLimit", manyInputs(3000), Input, [] {
                     std::string s = "v";
                     for (int i = 1; i < 3000; ++i)
                         s += "|v";
                     return s;
                 }()},
        LoadCase{"MultiLineWhole", "[OtherData]\r\nOtherInfo=one\r\ntwo\r\n[DLLOutput]\r\n", OtherInfo,
                 "one\r\ntwo"},
        LoadCase{"KeyWithoutEqualsBeforeRealOne", "[OtherData]\r\nPageTitle\r\nPageTitle=T\r\n", PageTitle, "T"},
        LoadCase{"UnclosedHeader", "[OtherData\r\nPageTitle=T\r\n", PageTitle, "T"},
        LoadCase{"EmptyKeyInList", "[Input]\r\n=a\r\nInput1=b\r\n", Input, "a|b"},
        LoadCase{"NulInsideValue", [] {
                     const char text[] = "[OtherData]\r\nPageTitle=a\0b\r\n";
                     return std::string(text, sizeof text - 1);
                 }(), PageTitle,
                 std::string("a\0b", 3)},
        // "DBOk=0 ; off" is no number: the default (set) stays, so the alias is read.
        LoadCase{"FlagWithTrailingText", "[DBCheck]\r\nDBOk=0 ; off\r\nDBName=SHOP\r\n", DBName, "SHOP"},
        LoadCase{"QuotedFlag", "[DBCheck]\r\nDBOk=\"0\"\r\nDBName=SHOP\r\n", DBName, "before"}),
    [](const auto &info) { return std::string(info.param.name); });

// What is saved is read back exactly, and the value's line is the one
// Windows reads the same value from.
struct SaveCase
{
    const char *name;
    std::string value;
    std::string line; // the text after "PageTitle="
};

class WindowsSave : public ::testing::TestWithParam<SaveCase>
{};

TEST_P(WindowsSave, QuotesWhatReadingWouldAlter)
{
    const SaveCase &c = GetParam();
    WP p;
    p.PageTitle = c.value;
    p.Author = c.value;
    p.QrToBrowse = c.value;
    p.OtherInfo = c.value + "\r\n" + c.value;
    if (!c.value.empty()) {
        p.Input = {c.value, "x"};
        p.UpdFields = {c.value};
        p.RetChosenFields = {c.value};
    }
    const std::string text = ProjectFile::toText(p);
    EXPECT_NE(text.find("\r\nPageTitle=" + c.line + "\r\n"), std::string::npos) << text;
    WP back;
    ProjectFile::loadText(text, back);
    EXPECT_EQ(back, p);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WindowsSave,
    ::testing::Values(SaveCase{"Plain", "Customers", "Customers"}, SaveCase{"Empty", "", ""},
                      SaveCase{"LeadingBlank", " lead", "\" lead\""},
                      SaveCase{"TrailingTab", "trail\t", "\"trail\t\""},
                      SaveCase{"OnlyBlanks", " \v\f ", "\" \v\f \""},
                      SaveCase{"QuotedWhole", "\"q\"", "\"\"q\"\""},
                      SaveCase{"SingleQuotedWhole", "'q'", "\"'q'\""},
                      SaveCase{"TwoQuotes", "\"\"", "\"\"\"\""},
                      SaveCase{"LoneQuote", "\"", "\""}, SaveCase{"LoneApostrophe", "'", "'"},
                      SaveCase{"MixedQuotes", "\"x'", "\"x'"}, SaveCase{"QuoteInside", "O'Brien", "O'Brien"},
                      SaveCase{"Equals", "a=b", "a=b"}, SaveCase{"Semicolon", ";x", ";x"},
                      SaveCase{"EightBit", "\xE9t\xE9 \x80\xFF", "\xE9t\xE9 \x80\xFF"},
                      SaveCase{"QuotesAndBlanks", " \"x\" ", "\" \"x\" \""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WindowsFile, Utf16FileIsSavedBackAsEightBitText)
{
    const quillon::test::TempDir dir;
    const std::string path = dir.file("w.qnp");
    platform::writeFileAtomically(path, utf16(u"[OtherData]\r\nPageTitle=Caf\u00e9\r\n", false));
    WP p;
    ProjectFile::load(path, p);
    ProjectFile::save(p, path);
    const std::string saved = platform::readFile(path);
    EXPECT_TRUE(saved.starts_with("[HeaderFooter]\r\n"));
    EXPECT_NE(saved.find("\r\nPageTitle=Caf\xE9\r\n"), std::string::npos);
}

TEST(WindowsFile, FileWithoutProjectSectionIsRefusedEvenInUtf16)
{
    const quillon::test::TempDir dir;
    const std::string path = dir.file("w.qnp");
    platform::writeFileAtomically(path, utf16(u"[Other]\r\nPageTitle=x\r\n", true));
    WP p;
    EXPECT_THROW(ProjectFile::load(path, p), ProjectFileError);
    EXPECT_EQ(p, WP());
}

} // namespace
