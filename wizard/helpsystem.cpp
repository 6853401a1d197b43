/*
** The help system over Qt's help engine: one help window, made for the
** first file asked for and reused while the same file is asked for again.
** The file is checked on every request, so a file removed since the window
** opened is still reported.
*/
#include "wizard/helpsystem.h"

#include "wizard/helpfile.h"
#include "wizard/helpwindow.h"

#include "platform/installkeys.h"
#include "platform/installlayout.h"
#include "platform/registry.h"

#include <QFileInfo>
#include <QPointer>

#include <optional>

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

QString installedHelpFile(const platform::Registry &registry)
{
    std::string folder;
    try {
        std::optional<std::string> recorded;
        if (const auto key = registry.openKey(platform::Hive::CurrentUser, platform::kInstallPathKey))
            recorded = key->readString(platform::kInstallPathValue);
        if (recorded)
            folder = *recorded;
        else if (const auto &layout = platform::installedLayout())
            folder = layout->dataDir(); // an installed program's own help file
    } catch (const std::exception &) {
        folder.clear(); // as if nothing were recorded: the failure names the file
    }
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return QString::fromStdString(folder) + QString::fromLatin1(platform::kHelpFileName);
}

} // namespace quillon::wizard
