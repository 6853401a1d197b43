#include "idehost/idehelp.h"

#include "wizard/helpfile.h"
#include "wizard/helpwindow.h"
#include "wizard/scripteddialogs.h"

#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>

namespace quillon::idehost {

IdeHelp::IdeHelp()
    : m_pages(wizard::createQtHelpSystem())
{}

IdeHelp::~IdeHelp()
{
    delete m_contents.data();
}

QString IdeHelp::installedHelpFile(const platform::Registry &registry)
{
    return wizard::installedHelpFile(registry);
}

void IdeHelp::showContext(const QString &helpFile, int context, QWidget *parent)
{
    if (m_report)
        m_report(QStringLiteral("help %1 %2").arg(wizard::escapeTranscript(helpFile)).arg(context));
    m_pages->showContext(helpFile, context, parent);
}

/*
** The contents page is the topic the help project lists under the keyword
** "Contents"; the window is made for the first request and reused while
** the same file is asked for.
*/
void IdeHelp::showContents(const QString &helpFile, QWidget *parent)
{
    if (m_report)
        m_report(QStringLiteral("help %1 contents").arg(wizard::escapeTranscript(helpFile)));
    wizard::HelpFile::checkReadable(helpFile);
    const QString path = QFileInfo(helpFile).absoluteFilePath();
    if (!m_contents || m_contents->helpFile() != path) {
        auto file = std::make_unique<wizard::HelpFile>(path);
        const QList<QHelpLink> found = file->engine()->documentsForKeyword(QStringLiteral("Contents"));
        if (found.isEmpty())
            throw wizard::HelpError(QStringLiteral("%1 has no contents page").arg(path).toStdString());
        delete m_contents.data();
        m_contents = new wizard::HelpWindow(std::move(file), parent);
        m_contentsUrl = found.first().url;
    }
    m_contents->showTopic(m_contentsUrl);
    m_contents->show();
    m_contents->raise();
    m_contents->activateWindow();
}

} // namespace quillon::idehost
