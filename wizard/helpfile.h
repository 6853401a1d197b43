/*
** HelpFile: one compressed help file opened for reading.  Qt's help engine
** reads documentation through a collection file that it must be able to
** write; that collection lives in a temporary folder of this object's own,
** never next to the help file, which may be installed read-only.
*/
#ifndef QUILLON_WIZARD_HELPFILE_H
#define QUILLON_WIZARD_HELPFILE_H

#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <stdexcept>

class QHelpEngine;

namespace quillon::wizard {

/* A help file, or help itself, failed: the message names the file. */
class HelpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct HelpTopic {
    QUrl url;      /* qthelp:// address of the topic's page */
    QString title; /* the page's title */
};

class HelpFile {
public:
    /* Opens the file; throws HelpError naming it when it is missing,
    ** unreadable or not a help file. */
    explicit HelpFile(const QString &path);
    ~HelpFile();
    HelpFile(const HelpFile &) = delete;
    HelpFile &operator=(const HelpFile &) = delete;

    /* Throws HelpError unless path names a readable file; the checks that
    ** need no help engine, so a reused file is checked again cheaply. */
    static void checkReadable(const QString &path);

    QString path() const { return m_path; }

    /* The topic of a context number; throws HelpError naming the file when
    ** the file has none. */
    HelpTopic topic(int context) const;

    QHelpEngine *engine() const { return m_engine.get(); }

private:
    QString m_path;
    QTemporaryDir m_collectionDir;
    std::unique_ptr<QHelpEngine> m_engine;
    QString m_namespace;
};

} // namespace quillon::wizard

#endif
