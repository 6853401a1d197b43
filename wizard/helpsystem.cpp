/*
** The help system over Qt's help engine: one help window, made for the
** first file asked for and reused while the same file is asked for again.
** The file is checked on every request, so a file removed since the window
** opened is still reported.
*/
#include "wizard/helpsystem.h"

#include "wizard/helpfile.h"
#include "wizard/helpwindow.h"

#include <QFileInfo>
#include <QPointer>

namespace quillon::wizard {

namespace {

class QtHelpSystem final : public HelpSystem {
public:
    ~QtHelpSystem() override { delete m_window.data(); }

    void showContext(const QString &helpFile, int context, QWidget *parent) override
    {
        HelpFile::checkReadable(helpFile);
        const QString path = QFileInfo(helpFile).absoluteFilePath();
        if (!m_window || m_window->helpFile() != path || m_window->parentWidget() != parent) {
            auto file = std::make_unique<HelpFile>(path);
            file->topic(context); /* fail before any window opens */
            delete m_window.data();
            m_window = new HelpWindow(std::move(file), parent);
        }
        m_window->showContext(context);
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
    }

private:
    QPointer<HelpWindow> m_window;
};

} // namespace

std::unique_ptr<HelpSystem> createQtHelpSystem()
{
    return std::make_unique<QtHelpSystem>();
}

} // namespace quillon::wizard
