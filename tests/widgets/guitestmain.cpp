/*
** Entry point shared by the widget test programs: one QApplication for the
** whole run, on the offscreen platform unless another has been chosen, so
** the tests need no display (also when ctest lists them before running).
*/
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
