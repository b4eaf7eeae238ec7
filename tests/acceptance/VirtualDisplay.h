#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

// An X server of the test's own (Xvfb, on a display number it finds free) and real key events
// on it through xdotool's XTEST requests.
class VirtualDisplay
{
public:
    VirtualDisplay() = default;
    VirtualDisplay(const VirtualDisplay &) = delete;
    VirtualDisplay &operator=(const VirtualDisplay &) = delete;

    ~VirtualDisplay()
    {
        // Caps Lock is a lock of the X keyboard too: leave it as it was found.
        if (m_capsLockPresses % 2 != 0)
            keys({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(10000))
                m_server.kill();
            m_server.waitForFinished();
        }
    }

    // The programs that are not installed, empty when all are.
    static QStringList missingTools()
    {
        QStringList missing;
        for (const QString &tool : {QStringLiteral("Xvfb"), QStringLiteral("xdotool")}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                missing.append(tool);
        }
        return missing;
    }

    bool start(QString &error)
    {
        // -displayfd: the server picks a free display number and writes it on standard output.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        QByteArray number;
        while (!number.contains('\n') && m_server.waitForReadyRead(30000))
            number += m_server.readAllStandardOutput();
        if (!number.contains('\n')) {
            error = QStringLiteral("Xvfb did not start: ") +
                    QString::fromLocal8Bit(m_server.readAllStandardError());
            return false;
        }
        m_name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        return true;
    }

    QString name() const { return m_name; }

    // Runs xdotool on this display; false with the reason when it fails or hangs.
    bool keys(const QStringList &args, QString *error = nullptr, QString *output = nullptr)
    {
        QProcess xdotool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_name);
        xdotool.setProcessEnvironment(env);
        xdotool.start(QStringLiteral("xdotool"), args);
        const bool finished = xdotool.waitForFinished(30000);
        if (!finished)
            xdotool.kill();
        xdotool.waitForFinished();
        const bool ok = finished && xdotool.exitCode() == 0;
        if (ok && args.size() >= 2 && args.at(0) == QLatin1String("key")) {
            for (const QString &key : args.mid(1))
                m_capsLockPresses += key == QLatin1String("Caps_Lock") ? 1 : 0;
        }
        if (!ok && error)
            *error = QStringLiteral("xdotool %1: %2")
                         .arg(args.join(QLatin1Char(' ')),
                              QString::fromLocal8Bit(xdotool.readAllStandardError()));
        if (output)
            *output = QString::fromLocal8Bit(xdotool.readAllStandardOutput()).trimmed();
        return ok;
    }

    // Gives the keyboard to the window with that title once it is mapped.
    bool focusWindow(const QString &title, QString &error)
    {
        QString window;
        if (!keys({QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"),
                   title},
                  &error, &window))
            return false;
        window = window.section(QLatin1Char('\n'), 0, 0);
        // No window manager runs here: set the input focus directly.
        return keys({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window}, &error);
    }

private:
    QProcess m_server;
    QString m_name;
    int m_capsLockPresses = 0;
};

// Skips without the X tools, except under CI, where their absence is a failure.
#define KVT_REQUIRE_VIRTUAL_DISPLAY()                                                              \
    do {                                                                                           \
        const QStringList missing = VirtualDisplay::missingTools();                                \
        if (!missing.isEmpty()) {                                                                  \
            const QString why = missing.join(QLatin1String(", ")) +                                \
                                QLatin1String(" not installed (scripts/setup.sh installs them)");  \
            if (qgetenv("CI") == "true")                                                           \
                QFAIL(qPrintable(why));                                                            \
            QSKIP(qPrintable(why));                                                                \
        }                                                                                          \
    } while (false)
