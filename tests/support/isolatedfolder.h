#pragma once

/*
** One test's own world: a temporary working folder holding its registry
** (QUILLON_REGISTRY_DIR), engine configuration (QUILLON_ENGINE_CONFIG) and
** state (QUILLON_STATE_DIR: the texts Quillon last generated),
** made the current folder for the test's life and removed afterwards.
*/

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace quillon::test {

class IsolatedFolder
{
public:
    IsolatedFolder()
        : m_oldDir(QDir::currentPath())
    {
        if (!m_dir.isValid())
            throw std::runtime_error("cannot create a temporary folder");
        setenv("QUILLON_REGISTRY_DIR", path("registry").c_str(), 1);
        setenv("QUILLON_ENGINE_CONFIG", path("engine.cfg").c_str(), 1);
        setenv("QUILLON_STATE_DIR", path("state").c_str(), 1);
        QDir::setCurrent(m_dir.path());
    }
    ~IsolatedFolder() { QDir::setCurrent(m_oldDir); }
    IsolatedFolder(const IsolatedFolder &) = delete;
    IsolatedFolder &operator=(const IsolatedFolder &) = delete;

    std::string path(const char *name) const { return qpath(name).toStdString(); }
    QString qpath(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
};

// Saves a picture of widget as NAME.png into $QUILLON_SCREENSHOT_DIR when
// that is set (for the pictures that go with a change); otherwise nothing.
template <typename Widget>
void screenshotIfAsked(Widget &widget, const char *name)
{
    if (const char *dir = std::getenv("QUILLON_SCREENSHOT_DIR"))
        widget.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".png"));
}

} // namespace quillon::test
