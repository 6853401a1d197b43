// The painted pictures: their sizes, that they are pictures (opaque where
// they should be, transparent around the glyphs, more than a few colours),
// and that painting is repeatable.  With QUILLON_ARTWORK_DIR set the
// pictures are also written there as PNG files, to be looked at.
#include "wizard/artwork.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

using namespace quillon::wizard;

namespace {

struct PictureRow {
    const char *name;
    QImage (*paint)();
    QSize size;
    bool opaque; /* a full picture, not a glyph on a button face */
};

void PrintTo(const PictureRow &row, std::ostream *os)
{
    *os << row.name;
}

class ArtworkTest : public testing::TestWithParam<PictureRow> {};

TEST_P(ArtworkTest, IsAPictureOfItsSize)
{
    const PictureRow row = GetParam();
    const QImage img = row.paint().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(img.size(), row.size);

    QSet<QRgb> colours;
    int covered = 0;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            colours.insert(px);
            covered += qAlpha(px) > 0;
        }
    }
    const int area = img.width() * img.height();
    EXPECT_GT(colours.size(), 40) << "antialiased and shaded, not flat";
    if (row.opaque) {
        EXPECT_EQ(covered, area);
    } else {
        EXPECT_GT(covered, area / 3);
        for (QPoint corner : {QPoint(0, 0), QPoint(img.width() - 1, img.height() - 1)})
            EXPECT_EQ(qAlpha(img.pixel(corner)), 0) << "the button face shows around the glyph";
    }
    EXPECT_EQ(img, row.paint().convertToFormat(QImage::Format_ARGB32));

    const QString dir = qEnvironmentVariable("QUILLON_ARTWORK_DIR");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(img.save(QDir(dir).filePath(QString::fromLatin1(row.name) + QStringLiteral(".png"))));
    }
}

QImage wizardPicture() { return artwork::wizardPicture().toImage(); }
QImage programIcon() { return artwork::programIcon().toImage(); }
template <artwork::SqlGlyph G>
QImage sqlGlyph() { return artwork::sqlGlyph(G); }

INSTANTIATE_TEST_SUITE_P(Pictures, ArtworkTest,
                         testing::Values(PictureRow{"wizardPicture", wizardPicture, {107, 218}, true},
                                         PictureRow{"loadProjectGlyph", artwork::loadProjectGlyph, {24, 24}, false},
                                         PictureRow{"saveProjectGlyph", artwork::saveProjectGlyph, {24, 24}, false},
                                         PictureRow{"aboutGlyph", artwork::aboutGlyph, {24, 24}, false},
                                         PictureRow{"programIcon", programIcon, {32, 32}, false},
                                         PictureRow{"sqlAddTable", sqlGlyph<artwork::SqlGlyph::AddTable>, {16, 16}, false},
                                         PictureRow{"sqlAddField", sqlGlyph<artwork::SqlGlyph::AddField>, {16, 16}, false},
                                         PictureRow{"sqlClear", sqlGlyph<artwork::SqlGlyph::Clear>, {16, 16}, false},
                                         PictureRow{"sqlExecute", sqlGlyph<artwork::SqlGlyph::Execute>, {16, 16}, false},
                                         PictureRow{"sqlSelect", sqlGlyph<artwork::SqlGlyph::SelectSkeleton>, {16, 16}, false},
                                         PictureRow{"sqlInsert", sqlGlyph<artwork::SqlGlyph::InsertSkeleton>, {16, 16}, false},
                                         PictureRow{"sqlUpdate", sqlGlyph<artwork::SqlGlyph::UpdateSkeleton>, {16, 16}, false},
                                         PictureRow{"sqlParameter", sqlGlyph<artwork::SqlGlyph::AddParameter>, {16, 16}, false}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
