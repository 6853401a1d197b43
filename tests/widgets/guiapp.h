// One QApplication for a whole widget test program, created before the
// first test and removed after the last, so tests can make widgets.
#ifndef QUILLON_TESTS_WIDGETS_GUIAPP_H
#define QUILLON_TESTS_WIDGETS_GUIAPP_H

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

class GuiAppEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        if (!QApplication::instance())
            m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[8] = "widgets";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

inline testing::Environment *const guiAppEnvironment =
    testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

#endif
