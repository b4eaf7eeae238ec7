#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

class QSocketNotifier;
class QWidget;
struct KeyStroke;
struct PesquisaCores;

namespace kvt {
class DataSet;
}

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
    // The screen has closed: `expect` lines that follow are still checked, nothing else runs.
    void screenClosed();
    bool failed() const { return m_failed; }
    // Script lines not run because the screen closed (or never opened) first.
    int unrun() const { return int(m_lines.size()) - m_next; }
    // Answers given for list dialogs and fingerprint captures that never came.
    int unusedAnswers() const
    {
        return int(m_listAnswers.size() + m_looks.size() + m_fingerprints.size());
    }

protected:
    // The key log: every key event that reaches the screen, from the script or a keyboard.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step();
    void scheduleStep(int delayMs = 0);
    void finish();
    void run(const QString &line);
    void fail(const QString &message);
    // A check of the script that did not hold: an ERROR line, and the run fails.
    void expectationFailed(const QString &message);

    void pressKey(const QString &name);
    void typeText(const QString &text);
    void sendStroke(const KeyStroke &stroke);
    bool sendKey(QWidget *form, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                 const QString &text);
    void expect(const QString &state);
    void await(const QString &seconds);
    void readInput();
    bool takeInputLine();
    void endAwait(const QString &error);
    void touch(const QString &name);
    void dump();
    void screenshot(const QString &fileName);
    // `look TEXT`: prints what the host's list dialog shows with TEXT typed in its search.
    void look(kvt::DataSet &tabela, const QString &typed, const PesquisaCores &cores);

    QWidget *screen() const;

    QStringList m_lines;
    int m_next = 0;
    int m_waits = 0;
    bool m_failed = false;
    bool m_finishing = false;
    bool m_closed = false;
    bool m_awaiting = false;
    bool m_capsLock = false; // the lock state a keyboard keeps, as X does
    bool m_keyLog = false;
    QByteArray m_input; // standard input read but not yet taken by `await`
    QSocketNotifier *m_stdin = nullptr;
    QTimer m_awaitTimeout;
    QQueue<QString> m_listAnswers; // "COLUMN=VALUE", or empty for cancel
    QQueue<QString> m_looks;       // search texts of the list dialogs to show
    QQueue<QStringList> m_fingerprints;
    QTextStream m_out;
};
