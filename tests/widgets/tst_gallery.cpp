// Runs widget-gallery offscreen with --screenshot and checks the picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

namespace {

struct GalleryRun {
    int exitCode = -1;
    QString errors;
};

GalleryRun runGallery(const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(GALLERY_PROGRAM), args);
    GalleryRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

} // namespace

TEST(Gallery, ScreenshotShowsAFullWindowOfWidgets)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("gallery.png");
    const GalleryRun run = runGallery({"--screenshot", file});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    QImage img(file);
    ASSERT_FALSE(img.isNull());
    EXPECT_GE(img.width(), 600);
    EXPECT_GE(img.height(), 400);
    // Glyphs, effect colours, the link's blue and purple: many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 40);
    EXPECT_TRUE(colours.contains(qRgb(0, 0, 255)) || colours.contains(qRgb(0, 0, 254)));
}

TEST(Gallery, UnwritableScreenshotFailsNamingTheFile)
{
    const QString file = QStringLiteral("/nonexistent-folder-for-quillon/gallery.png");
    const GalleryRun run = runGallery({"--screenshot", file});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(file)) << run.errors.toStdString();
}
