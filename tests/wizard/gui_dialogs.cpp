/*
** The real message box of the dialog service: never narrower than its
** caption, whatever the length of its text.
*/

#include "wizard/dialogservice.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace quillon::wizard;

namespace {

struct BoxRow
{
    const char *caption;
    const char *text;
};

class MessageBoxWidth : public testing::TestWithParam<BoxRow>
{};

TEST_P(MessageBoxWidth, IsAtLeastItsCaption)
{
    const QString caption = QString::fromUtf8(GetParam().caption);
    QMessageBox box(QMessageBox::Information, caption, QString::fromUtf8(GetParam().text), QMessageBox::Ok);
    const int before = box.sizeHint().width();
    keepCaptionVisible(box);
    box.adjustSize();
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    EXPECT_GT(box.width(), metrics.horizontalAdvance(caption));
    // A box already wider than its caption keeps its width.
    EXPECT_GE(box.width(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MessageBoxWidth,
    testing::Values(BoxRow{"Information", "x"},
                    BoxRow{"A caption much longer than the one word of text below it, as a title bar shows it", "x"},
                    BoxRow{"Error!", "A text that is much longer than its caption, so the text sets the width."}));

} // namespace
