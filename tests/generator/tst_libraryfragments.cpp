#include "generator/libraryfragments.h"

#include "fragmentrow.h"

namespace quillon::generator::test {

namespace {

// A project whose output path is the row's.
template<const char *Path>
void output(WizardProject &p)
{
    p.OutputDLL = Path;
}

constexpr char kUnix[] = "/home/ann/web/Shop.dpr";
constexpr char kWindows[] = "C:\\Delphi\\Projects\\Shop.dpr";
constexpr char kDrive[] = "C:Shop.dpr";
constexpr char kMixed[] = "C:\\a/b\\Shop.dpr";
constexpr char kTwoDots[] = "/x/my.ext.dpr";
constexpr char kNoDot[] = "/x.d/Shop";
constexpr char kLeadingDot[] = "/x/.hidden.dpr";
constexpr char kEmpty[] = "";
constexpr char kTrailingSlash[] = "/x/y.dpr/";

} // namespace

QUILLON_FRAGMENT_SUITE(
    LibName,
    FragmentRow{"UnixPath", output<kUnix>, libNameFragment, "Shop"},
    FragmentRow{"WindowsPath", output<kWindows>, libNameFragment, "Shop"},
    FragmentRow{"DriveOnly", output<kDrive>, libNameFragment, "Shop"},
    FragmentRow{"MixedSeparators", output<kMixed>, libNameFragment, "Shop"},
    FragmentRow{"TwoDotsTakesFirstPart", output<kTwoDots>, libNameFragment, "my"},
    FragmentRow{"NoDotInFileNameIsEmpty", output<kNoDot>, libNameFragment, ""},
    FragmentRow{"LeadingDotIsEmpty", output<kLeadingDot>, libNameFragment, ""},
    FragmentRow{"EmptyPath", output<kEmpty>, libNameFragment, ""},
    FragmentRow{"NoFileName", output<kTrailingSlash>, libNameFragment, ""});

QUILLON_FRAGMENT_SUITE(
    LibTitle,
    FragmentRow{"Empty", [](WizardProject &) {}, libTitleFragment, ""},
    FragmentRow{"Plain", [](WizardProject &p) { p.ExtName = "Shop Extension"; }, libTitleFragment,
                "Shop Extension"},
    // It stands between the template's quotes, so it is literal text.
    FragmentRow{"QuoteDoubled", [](WizardProject &p) { p.ExtName = "Ann's'; Halt; '"; },
                libTitleFragment, "Ann''s''; Halt; ''"});

} // namespace quillon::generator::test
