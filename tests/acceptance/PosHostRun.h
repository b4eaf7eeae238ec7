#pragma once

#include "../TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// Runs the reference host with a replay script against a test database, and what it printed.
namespace poshost {

struct Run
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

inline QProcessEnvironment environment(const TestDatabase &db, const QString &connection = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KVT_HOST_DIR"), db.dir());
    env.insert(QStringLiteral("KVT_CONNECTION"),
               connection.isEmpty() ? db.connection() : connection);
    return env;
}

inline void start(QProcess &process, const QString &script, const QStringList &args)
{
    process.start(QStringLiteral(KVT_POSHOST_PATH),
                  QStringList{QStringLiteral("--replay"), script} + args);
}

inline QStringList outputLines(const QByteArray &output)
{
    return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Waits for the host to end; `output` holds what was already read from its standard output.
inline Run finish(QProcess &process, QByteArray output = {})
{
    Run result;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        result.errors = QStringLiteral("pos-host did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.lines = outputLines(output + process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

inline Run run(const TestDatabase &db, const QString &script, const QStringList &args,
               const QString &connection = {})
{
    QProcess process;
    process.setProcessEnvironment(environment(db, connection));
    start(process, script, args);
    process.closeWriteChannel();
    return finish(process);
}

// The host running on an X display while the test acts on it; `await` lines in its script hold
// it until release().
class LiveRun
{
public:
    LiveRun(const TestDatabase &db, const QString &display, const QString &script,
            const QStringList &args)
    {
        QProcessEnvironment env = environment(db);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
        m_process.setProcessEnvironment(env);
        start(m_process, script, args);
    }

    ~LiveRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Waits, bounded, until the host has printed `line` for the `occurrence`th time.
    bool waitForLine(const QString &line, int occurrence, QString &error)
    {
        while (outputLines(m_output).count(line) < occurrence) {
            if (!m_process.waitForReadyRead(60000)) {
                error = QStringLiteral("no \"%1\" from pos-host; it printed:\n%2\n%3")
                            .arg(line, QString::fromUtf8(m_output),
                                 QString::fromUtf8(m_process.readAllStandardError()));
                return false;
            }
            m_output += m_process.readAllStandardOutput();
        }
        return true;
    }

    void release() { m_process.write("\n"); }

    Run finish()
    {
        m_process.closeWriteChannel();
        return poshost::finish(m_process, m_output);
    }

private:
    QProcess m_process;
    QByteArray m_output;
};

// A copy of a scenario file in `dir`, with SCREENSHOT replaced; empty when it cannot be made.
inline QString scenario(const QString &dir, const QString &name, const QString &screenshot = {})
{
    QFile source(QStringLiteral(KVT_SCENARIO_DIR "/") + name);
    if (!source.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = source.readAll();
    text.replace("SCREENSHOT", screenshot.toUtf8());
    const QString path = QDir(dir).filePath(name);
    QFile target(path);
    if (!target.open(QIODevice::WriteOnly) || target.write(text) != text.size())
        return {};
    return path;
}

// A script written from its lines into `dir`; empty when it cannot be written.
inline QString script(const QString &dir, const QString &name, const QStringList &lines)
{
    const QString path = QDir(dir).filePath(name);
    QFile file(path);
    const QByteArray text = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

// The lines that match `pattern`, in order.
inline QStringList matching(const QStringList &lines, const QString &pattern)
{
    return lines.filter(QRegularExpression(pattern));
}

} // namespace poshost
