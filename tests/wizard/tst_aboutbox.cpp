// The About box: its controls, texts and fixed size, and OK closing it.
#include "wizard/aboutbox.h"
#include "wizard/fonts.h"
#include "wizard/vendor.h"
#include "widgets/UrlLabel.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace quillon::wizard;

namespace {

class AboutBoxTest : public testing::Test {
protected:
    static void SetUpTestSuite() { installFontSubstitutions(); }
    template <typename T>
    T *child(const char *name)
    {
        T *w = box.findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    TAboutBox box;
};

TEST_F(AboutBoxTest, HasItsCaptionFixedSizeAndTexts)
{
    EXPECT_EQ(box.objectName(), QStringLiteral("AboutBox"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Quillon"));
    EXPECT_EQ(box.size(), QSize(298, 239));
    EXPECT_EQ(box.minimumSize(), box.maximumSize());

    auto *panel = child<QFrame>("Panel1");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->frameShadow(), QFrame::Raised);
    EXPECT_EQ(child<QLabel>("ProductName")->text(), QStringLiteral(" Quillon ISAPI Extension Expert"));
    EXPECT_EQ(child<QLabel>("Version")->text(), QStringLiteral(" version 1.0"));
    EXPECT_EQ(child<QLabel>("ProgramIcon")->pixmap().size(), QSize(32, 32));
    for (const char *name : {"ProgramIcon", "ProductName", "Version", "UrlLabel1"}) {
        QWidget *w = child<QWidget>(name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), panel) << name;
        EXPECT_TRUE(panel->rect().contains(w->geometry())) << name;
    }
    for (const char *name : {"ProductName", "Version"}) {
        auto *label = child<QLabel>(name);
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name << " fits";
    }
    auto *ok = child<QPushButton>("OKButton");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    EXPECT_GE(ok->geometry().top(), panel->geometry().bottom()); /* below the panel */
    EXPECT_TRUE(box.rect().contains(ok->geometry()));
}

TEST_F(AboutBoxTest, TheUrlLabelShowsTheVendorsWebAddressInBoldUnderlinedBlueArial)
{
    auto *url = child<TUrlLabel>("UrlLabel1");
    ASSERT_NE(url, nullptr);
    EXPECT_EQ(url->text(), QString::fromLatin1(kVendorWebAddress));
    EXPECT_EQ(url->target(), QString::fromLatin1(kVendorWebAddress));
    EXPECT_TRUE(url->font().bold());
    EXPECT_TRUE(url->font().underline());
    EXPECT_EQ(url->fontColor(), QColor(0, 0, 255));
    EXPECT_EQ(QFontInfo(url->font()).family(), QStringLiteral("Liberation Sans"));
    /* The whole address fits its label. */
    EXPECT_LE(url->fontMetrics().horizontalAdvance(url->text()), url->width());
}

TEST_F(AboutBoxTest, OkAndEnterCloseTheBoxAccepted)
{
    for (bool byKey : {false, true}) {
        box.open();
        ASSERT_TRUE(box.isVisible());
        if (byKey)
            QTest::keyClick(&box, Qt::Key_Return);
        else
            QTest::mouseClick(child<QPushButton>("OKButton"), Qt::LeftButton);
        EXPECT_FALSE(box.isVisible()) << (byKey ? "Enter" : "click");
        EXPECT_EQ(box.result(), QDialog::Accepted);
    }
}

} // namespace
