#pragma once

#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTextStream>

class QWidget;

// Drives the screen from a script, for acceptance tests and for reproducing an operator's
// report. It answers the host's dialogs itself (messages, list dialog, fingerprint capture), so
// nothing waits for a person; every message and error is printed on standard output.
class Replay : public QObject
{
    Q_OBJECT

public:
    explicit Replay(QStringList lines, QObject *parent = nullptr);
    // Gives the host its own dialogs back: the handlers installed here point at this object.
    ~Replay() override;

    static bool load(const QString &fileName, QStringList &lines, QString &error);

    // Replaces the host's dialogs and starts stepping once a modal screen is up.
    void install();
    void start();
    bool failed() const { return m_failed; }
    // Script lines not run because the screen closed (or never opened) first.
    int unrun() const { return int(m_lines.size()) - m_next; }

private:
    void step();
    void scheduleStep(int delayMs = 0);
    void finish();
    void run(const QString &line);
    void fail(const QString &message);

    void pressKey(const QString &name);
    void typeText(const QString &text);
    void touch(const QString &name);
    void dump();
    void screenshot(const QString &fileName);

    QWidget *screen() const;

    QStringList m_lines;
    int m_next = 0;
    int m_waits = 0;
    bool m_failed = false;
    bool m_finishing = false;
    QQueue<QString> m_listAnswers;        // "COLUMN=VALUE", or empty for cancel
    QQueue<QStringList> m_fingerprints;
    QTextStream m_out;
};
