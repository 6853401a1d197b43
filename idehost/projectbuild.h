#pragma once

/*
** ProjectBuild: compiles a project source (.dpr) with Free Pascal and serves
** one request through isapihost, each as a child process. No widgets: the
** build panel shows what it reports.
**
** compile() and run() return only when the process has ended; they spin a
** local event loop meanwhile, so cancel() (from a progress dialog or a
** timer) can kill the process. Every step ends with one transcript line:
**
**   compile PATH -> ok | failed (N errors) | failed: REASON | cancelled
**   run LIBRARY QUERY -> STATUS-LINE | failed: REASON
**
** Success needs both a zero exit status and the library on disk.
*/

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <vector>

namespace quillon::idehost {

// One line of compiler output: a message when kind is set, else plain text.
struct BuildMessage
{
    QString file;
    int line = 0;   // 0 when the message has no position
    int column = 0;
    QString kind;   // "Error", "Fatal", "Warning", "Note", "Hint"; empty for plain output
    QString text;

    // What counts towards "failed (N errors)" and is shown in red.
    bool isError() const { return kind == QLatin1String("Error") || kind == QLatin1String("Fatal"); }
};

// Parses one line of fpc output (a trailing CR is dropped).
BuildMessage parseCompilerLine(QString line);

class ProjectBuild : public QObject
{
    Q_OBJECT
public:
    explicit ProjectBuild(QObject *parent = nullptr);

    void setCompiler(const QString &program) { m_compiler = program; }
    void setIsapiHost(const QString &program) { m_isapiHost = program; }
    QString compiler() const { return m_compiler; }
    QString isapiHost() const { return m_isapiHost; }

    // The library fpc makes from PATH: DIR/libName.so.
    static QString libraryFor(const QString &projectPath);

    bool compile(const QString &projectPath);
    // Compiles first when the library is missing or older than the source.
    bool run(const QString &projectPath, const QString &query);
    void cancel();
    bool busy() const { return m_process != nullptr; }

    const std::vector<BuildMessage> &messages() const { return m_messages; }
    int errorCount() const;
    QString failure() const { return m_failure; }   // why the last step failed, empty on success
    QString headers() const { return m_headers; }
    // The first line of the headers: the response's status ("200 OK").
    QString statusLine() const { return m_headers.section(QLatin1Char('\n'), 0, 0).trimmed(); }
    QString body() const { return m_body; }
    const QStringList &reports() const { return m_reports; }

signals:
    void stepStarted(const QString &what);
    void stepFinished();
    void messageAdded(const quillon::idehost::BuildMessage &message);
    void report(const QString &line);

private:
    enum class Outcome { Finished, FailedToStart, Cancelled };
    Outcome runProcess(const QString &program, const QStringList &args, const QString &dir, QByteArray &output, QByteArray *errors,
                       int &exitCode);
    void addReport(const QString &line);

    QString m_compiler;
    QString m_isapiHost;
    QProcess *m_process = nullptr; // the running step, if any
    bool m_cancelled = false;
    std::vector<BuildMessage> m_messages;
    QString m_failure;
    QString m_headers;
    QString m_body;
    QStringList m_reports;
};

} // namespace quillon::idehost
