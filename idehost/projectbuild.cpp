#include "idehost/projectbuild.h"

#include "generator/sourcegenerator.h"
#include "platform/registry.h"
#include "platform/rootdir.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>

#include <exception>

namespace quillon::idehost {

/*
** fpc writes "FILE(LINE,COL) Kind: text" or "FILE(LINE) Kind: text", and
** "Fatal: text" or "Error: text" without a position. The file name may itself
** hold parentheses, so the position is the last "(digits[,digits])" group
** that is followed by " Kind:".
*/
BuildMessage parseCompilerLine(QString line)
{
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    static const QRegularExpression positioned(
        QStringLiteral("^(.*)\\((\\d+)(?:,(\\d+))?\\) (Error|Fatal|Warning|Note|Hint): (.*)$"));
    static const QRegularExpression bare(QStringLiteral("^(Error|Fatal|Warning|Note|Hint): (.*)$"));
    BuildMessage m;
    if (const auto p = positioned.match(line); p.hasMatch()) {
        m.file = p.captured(1);
        m.line = p.captured(2).toInt();
        m.column = p.captured(3).isEmpty() ? 0 : p.captured(3).toInt();
        m.kind = p.captured(4);
        m.text = p.captured(5);
    } else if (const auto b = bare.match(line); b.hasMatch()) {
        m.kind = b.captured(1);
        m.text = b.captured(2);
    } else {
        m.text = line;
    }
    return m;
}

ProjectBuild::ProjectBuild(QObject *parent)
    : QObject(parent)
    , m_compiler(QStringLiteral("fpc"))
    , m_isapiHost(QCoreApplication::applicationDirPath() + QStringLiteral("/isapihost"))
{}

QString ProjectBuild::libraryFor(const QString &projectPath)
{
    const QFileInfo info(projectPath);
    return info.absolutePath() + QStringLiteral("/lib") + info.completeBaseName() + QStringLiteral(".so");
}

int ProjectBuild::errorCount() const
{
    int n = 0;
    for (const BuildMessage &m : m_messages)
        n += m.isError();
    return n;
}

void ProjectBuild::addReport(const QString &line)
{
    m_reports << line;
    emit report(line);
}

void ProjectBuild::cancel()
{
    if (!m_process)
        return;
    m_cancelled = true;
    m_process->kill();
}

// Runs one child to its end with a local event loop. Its standard error goes
// to `errors` when given, else it is merged into `output`.
ProjectBuild::Outcome ProjectBuild::runProcess(const QString &program, const QStringList &args, const QString &dir,
                                               QByteArray &output, QByteArray *errors, int &exitCode)
{
    QProcess process;
    process.setProcessChannelMode(errors ? QProcess::SeparateChannels : QProcess::MergedChannels);
    process.setWorkingDirectory(dir);
    QEventLoop loop;
    bool failedToStart = false;
    connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    m_cancelled = false;
    m_process = &process;
    process.start(program, args);
    if (!failedToStart)
        loop.exec();
    m_process = nullptr;
    output = process.readAllStandardOutput();
    if (errors)
        *errors = process.readAllStandardError();
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (m_cancelled)
        return Outcome::Cancelled;
    return failedToStart ? Outcome::FailedToStart : Outcome::Finished;
}

bool ProjectBuild::compile(const QString &projectPath)
{
    m_messages.clear();
    m_failure.clear();
    const QFileInfo source(projectPath);
    const QString library = libraryFor(projectPath);
    auto fail = [&](const QString &why) {
        m_failure = why;
        // The compiler's own errors are counted; a failure without any (no
        // compiler, no RootDir) gives its reason instead.
        if (errorCount() > 0)
            addReport(QStringLiteral("compile %1 -> failed (%2 errors)").arg(projectPath).arg(errorCount()));
        else
            addReport(QStringLiteral("compile %1 -> failed: %2").arg(projectPath, why));
        return false;
    };
    if (!source.isFile())
        return fail(QStringLiteral("The project %1 does not exist").arg(projectPath));
    QString root;
    try {
        root = QString::fromStdString(platform::rootDirFromRegistry(platform::Registry(), "the units compiled in"));
    } catch (const std::exception &e) {
        return fail(QStringLiteral("Cannot read RootDir: %1").arg(QString::fromLocal8Bit(e.what())));
    }
    if (root.isEmpty())
        return fail(QStringLiteral("RootDir is not recorded in the registry (HKEY_LOCAL_MACHINE\\%1, value %2); "
                                   "run \"quillon install --root-dir DIR\"")
                        .arg(QString::fromLatin1(generator::kRootDirKey.data(), int(generator::kRootDirKey.size())),
                             QString::fromLatin1(generator::kRootDirValue.data(), int(generator::kRootDirValue.size()))));
    if (!QFileInfo(root).isDir())
        return fail(QStringLiteral("RootDir %1 is not a folder").arg(root));
    const QString dir = source.absolutePath();
    if (!QDir(dir).mkpath(QStringLiteral("units")))
        return fail(QStringLiteral("Cannot create the folder %1/units").arg(dir));
    // A library left over from an earlier build must not pass for this one.
    QFile::remove(library);
    emit stepStarted(QStringLiteral("Compiling %1").arg(source.fileName()));
    QByteArray output;
    int exitCode = -1;
    const Outcome outcome = runProcess(
        m_compiler,
        {QStringLiteral("-Cg"), QStringLiteral("-Fu") + root, QStringLiteral("-FUunits"), QStringLiteral("-FE."),
         source.fileName()},
        dir, output, nullptr, exitCode);
    emit stepFinished();
    for (const QString &line : QString::fromLocal8Bit(output).split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty())
            continue;
        m_messages.push_back(parseCompilerLine(line));
        emit messageAdded(m_messages.back());
    }
    if (outcome == Outcome::Cancelled) {
        QFile::remove(library);
        m_failure = QStringLiteral("Compiling %1 was cancelled").arg(projectPath);
        addReport(QStringLiteral("compile %1 -> cancelled").arg(projectPath));
        return false;
    }
    if (outcome == Outcome::FailedToStart)
        return fail(QStringLiteral("Cannot run the compiler %1: it is missing or not executable").arg(m_compiler));
    if (exitCode != 0)
        return fail(QStringLiteral("The compiler %1 failed with exit status %2").arg(m_compiler).arg(exitCode));
    if (!QFileInfo::exists(library))
        return fail(QStringLiteral("The compiler reported success but made no %1").arg(library));
    addReport(QStringLiteral("compile %1 -> ok").arg(projectPath));
    return true;
}

bool ProjectBuild::run(const QString &projectPath, const QString &query)
{
    m_headers.clear();
    m_body.clear();
    const QString library = libraryFor(projectPath);
    const QFileInfo lib(library);
    if (!lib.exists() || lib.lastModified() < QFileInfo(projectPath).lastModified()) {
        if (!compile(projectPath)) {
            addReport(QStringLiteral("run %1 %2 -> failed: %3").arg(library, query, m_failure));
            return false;
        }
    }
    m_failure.clear();
    emit stepStarted(QStringLiteral("Running %1").arg(QFileInfo(library).fileName()));
    // isapihost writes the status line and the headers to standard error,
    // the page to standard output.
    QByteArray page, header;
    int exitCode = -1;
    const Outcome outcome =
        runProcess(m_isapiHost, {library, query}, QFileInfo(library).absolutePath(), page, &header, exitCode);
    emit stepFinished();
    if (outcome == Outcome::Cancelled)
        m_failure = QStringLiteral("cancelled");
    else if (outcome == Outcome::FailedToStart)
        m_failure = QStringLiteral("cannot run %1: it is missing or not executable").arg(m_isapiHost);
    else if (exitCode != 0)
        m_failure = QStringLiteral("%1 exited with status %2: %3")
                        .arg(m_isapiHost).arg(exitCode).arg(QString::fromLocal8Bit(header).trimmed());
    if (!m_failure.isEmpty()) {
        addReport(QStringLiteral("run %1 %2 -> failed: %3").arg(library, query, m_failure));
        return false;
    }
    m_headers = QString::fromLocal8Bit(header).trimmed();
    m_body = QString::fromLocal8Bit(page);
    addReport(QStringLiteral("run %1 %2 -> %3").arg(library, query, statusLine()));
    return true;
}

} // namespace quillon::idehost
