/*
** Opening a compressed help file: check it as a file first (so the message
** says what is wrong with it), then register it into a fresh collection in
** a temporary folder and read its topics through the engine.
*/
#include "wizard/helpfile.h"


#include <QDir>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>

namespace quillon::wizard {

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw HelpError(message.toStdString());
}

QString quoted(const QString &path)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(path) + QLatin1Char('"');
}

} // namespace

void HelpFile::checkReadable(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        fail(QStringLiteral("The help file %1 does not exist.").arg(quoted(path)));
    if (!info.isFile())
        fail(QStringLiteral("%1 is not a help file.").arg(quoted(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("The help file %1 cannot be read: %2").arg(quoted(path), file.errorString()));
}

HelpFile::HelpFile(const QString &path)
    : m_path(QFileInfo(path).absoluteFilePath()),
      m_collectionDir(QDir::tempPath() + QStringLiteral("/quillon-help-XXXXXX"))
{
    checkReadable(path);
    m_namespace = QHelpEngineCore::namespaceName(m_path);
    if (m_namespace.isEmpty())
        fail(QStringLiteral("%1 is not a help file.").arg(quoted(m_path)));
    if (!m_collectionDir.isValid())
        fail(QStringLiteral("The help file %1 cannot be opened: no temporary folder for its collection (%2).")
                 .arg(quoted(m_path), m_collectionDir.errorString()));

    m_engine = std::make_unique<QHelpEngine>(m_collectionDir.filePath(QStringLiteral("quillon.qhc")));
    m_engine->setReadOnly(false);
    if (!m_engine->setupData() || !m_engine->registerDocumentation(m_path))
        fail(QStringLiteral("The help file %1 cannot be opened: %2").arg(quoted(m_path), m_engine->error()));
    /* Registering changes the collection; reading it again makes the
    ** contents and the index include the new file. */
    m_engine->setupData();
}

HelpFile::~HelpFile() = default;

HelpTopic HelpFile::topic(int context) const
{
    const QList<QHelpLink> links =
        m_engine->documentsForIdentifier(QStringLiteral("context-%1").arg(context));
    for (const QHelpLink &link : links) {
        if (link.url.host() == m_namespace)
            return {link.url, link.title};
    }
    fail(QStringLiteral("The help file %1 has no topic for the context number %2.").arg(quoted(m_path)).arg(context));
}

} // namespace quillon::wizard
