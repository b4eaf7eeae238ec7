#include "Replay.h"

#include "KeyNames.h"

#include "host/DataSetModel.h"
#include "host/DigitalDialog.h"
#include "host/HostZet.h"
#include "host/PesquisaDialog.h"
#include "host/ScreenServices.h"
#include "toolkit/DataSet.h"
#include "toolkit/Dispatch.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// How long to wait for the screen to come up before the script gives up (in 10 ms steps).
constexpr int maxWaits = 1000;
// How long `await` waits for a line on standard input when the script names no time.
constexpr int defaultAwaitSeconds = 60;

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QString());
}

} // namespace

Replay::Replay(QStringList lines, QObject *parent)
    : QObject(parent), m_lines(std::move(lines)), m_out(stdout)
{
    m_awaitTimeout.setSingleShot(true);
    connect(&m_awaitTimeout, &QTimer::timeout, this,
            [this] { endAwait(QStringLiteral("await: no line on standard input in time")); });
}

Replay::~Replay()
{
    setMensagemHandler({});
    installHostErrorHandler();
    installDefaultScreenServices();
}

bool Replay::load(const QString &fileName, QStringList &lines, QString &error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &raw : text.split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            lines.append(line);
    }
    return true;
}

void Replay::install()
{
    setMensagemHandler([this](const QString &texto, int tipo) {
        m_out << "MESSAGE " << tipo << ' ' << oneLine(texto) << Qt::endl;
    });
    qApp->installEventFilter(this);
    kvt::setGeneralErrorHandler(
        [this](const QString &message) { m_out << "ERROR " << oneLine(message) << Qt::endl; });

    Pesquisa = [this](kvt::DataSet &tabela, int, const QString &, int cor1, int cor2, int cor3,
                      int cor5, int) {
        m_out << "LIST " << tabela.name() << ' ' << tabela.recordCount() << Qt::endl;
        if (!m_looks.isEmpty())
            look(tabela, m_looks.dequeue(), {cor1, cor2, cor3, cor5});
        if (m_listAnswers.isEmpty()) {
            fail(QStringLiteral("no answer given for the list dialog of %1").arg(tabela.name()));
            return false;
        }
        const QString answer = m_listAnswers.dequeue();
        if (answer.isEmpty())
            return false;
        const QString column = answer.section(QLatin1Char('='), 0, 0);
        const QString value = answer.section(QLatin1Char('='), 1);
        const int field = tabela.fieldIndex(column);
        if (field < 0) {
            fail(QStringLiteral("list %1 has no column %2").arg(tabela.name(), column));
            return false;
        }
        // The data set's own look-up first: a list read from the database answers it with one
        // statement, where walking its rows reads them all.
        if (tabela.locate({column}, {value}))
            return true;
        for (int row = 0; row < tabela.recordCount(); ++row) {
            if (tabela.value(row, field).toString() == value) {
                tabela.setRecNo(row);
                return true;
            }
        }
        fail(QStringLiteral("list %1 has no row with %2").arg(tabela.name(), answer));
        return false;
    };
    DigitalConsumidor = [this](int, int, const QString &nome, QVariant &retorno) {
        m_out << "FINGERPRINT " << oneLine(nome) << Qt::endl;
        fillDigitalRetorno(retorno,
                           m_fingerprints.isEmpty() ? QStringList{} : m_fingerprints.dequeue());
    };
    RelFiscais = [this] { m_out << "FISCAL" << Qt::endl; };
}

void Replay::start()
{
    scheduleStep();
}

void Replay::scheduleStep(int delayMs)
{
    QTimer::singleShot(delayMs, this, &Replay::step);
}

QWidget *Replay::screen() const
{
    return QApplication::activeModalWidget();
}

void Replay::step()
{
    if (m_closed || m_awaiting)
        return;
    if (!screen()) {
        // The screen is not up yet (or already gone); wait a little, bounded.
        if (++m_waits < maxWaits)
            scheduleStep(10);
        return;
    }
    if (m_next >= m_lines.size()) {
        finish();
        return;
    }
    const QString line = m_lines.at(m_next++);
    kvt::dispatch([&] { run(line); });
    if (!m_awaiting)
        scheduleStep();
}

void Replay::screenClosed()
{
    m_closed = true;
    m_awaiting = false;
    m_awaitTimeout.stop();
    if (m_stdin)
        m_stdin->setEnabled(false);
    while (m_next < m_lines.size() &&
           m_lines.at(m_next).section(QLatin1Char(' '), 0, 0) == QLatin1String("expect"))
        expect(m_lines.at(m_next++).section(QLatin1Char(' '), 1));
}

void Replay::finish()
{
    QWidget *form = screen();
    if (!form)
        return;
    if (!m_finishing) {
        // The script left the screen open: leave it the way an operator would.
        m_finishing = true;
        pressKey(QStringLiteral("Escape"));
        scheduleStep();
        return;
    }
    // Escape did not close it: touch the exit key.
    touch(QStringLiteral("sbtSair"));
    if (screen() == form)
        form->close();
}

void Replay::run(const QString &line)
{
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    const QString argument = line.section(QLatin1Char(' '), 1);
    if (command == QLatin1String("key")) {
        pressKey(argument);
    } else if (command == QLatin1String("type")) {
        typeText(argument);
    } else if (command == QLatin1String("touch")) {
        touch(argument);
    } else if (command == QLatin1String("pick")) {
        if (!argument.contains(QLatin1Char('=')))
            fail(QStringLiteral("pick needs COLUMN=VALUE: %1").arg(line));
        else
            m_listAnswers.enqueue(argument);
    } else if (command == QLatin1String("cancel")) {
        m_listAnswers.enqueue(QString());
    } else if (command == QLatin1String("look")) {
        m_looks.enqueue(argument);
    } else if (command == QLatin1String("fingerprint")) {
        m_fingerprints.enqueue(argument.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    } else if (command == QLatin1String("dump")) {
        dump();
    } else if (command == QLatin1String("screenshot")) {
        screenshot(argument);
    } else if (command == QLatin1String("expect")) {
        expect(argument);
    } else if (command == QLatin1String("await")) {
        await(argument);
    } else if (command == QLatin1String("keylog")) {
        if (argument == QLatin1String("on") || argument == QLatin1String("off"))
            m_keyLog = argument == QLatin1String("on");
        else
            fail(QStringLiteral("keylog needs on or off: %1").arg(line));
    } else {
        fail(QStringLiteral("unknown command: %1").arg(line));
    }
}

void Replay::look(kvt::DataSet &tabela, const QString &typed, const PesquisaCores &cores)
{
    // The host's own dialog, shown without a loop of its own and never answered: only read.
    PesquisaDialog dialog(tabela, cores, screen());
    dialog.searchLine()->setText(typed);
    dialog.show();
    QCoreApplication::processEvents();
    const QTableView *view = dialog.view();
    const DataSetModel *model = dialog.model();
    QStringList cells;
    for (int column = 0; column < model->columnCount(); ++column)
        cells.append(model->headerData(column, Qt::Horizontal).toString());
    m_out << "SHOWN HEADER " << cells.join(QLatin1Char('|')) << Qt::endl;
    const int last = view->rowAt(view->viewport()->height() - 1);
    const int rows = last < 0 ? model->rowCount() : last + 1;
    for (int row = 0; row < rows; ++row) {
        cells.clear();
        for (int column = 0; column < model->columnCount(); ++column)
            cells.append(oneLine(model->index(row, column).data().toString()));
        m_out << "SHOWN ROW " << cells.join(QLatin1Char('|')) << Qt::endl;
    }
    const bool sideways = view->horizontalScrollBar()->isVisible() ||
                          view->horizontalHeader()->length() > view->viewport()->width();
    m_out << "SHOWN SCROLLBAR " << (sideways ? "horizontal" : "none") << Qt::endl;
    dialog.hide();
}

void Replay::fail(const QString &message)
{
    m_failed = true;
    std::fprintf(stderr, "REPLAY-ERROR %s\n", qPrintable(message));
}

void Replay::expectationFailed(const QString &message)
{
    m_failed = true;
    m_out << "ERROR " << oneLine(message) << Qt::endl;
}

void Replay::expect(const QString &state)
{
    if (state != QLatin1String("open") && state != QLatin1String("closed")) {
        fail(QStringLiteral("expect needs open or closed: %1").arg(state));
        return;
    }
    const bool open = !m_closed && screen();
    if (open != (state == QLatin1String("open")))
        expectationFailed(
            QStringLiteral("expect %1: the screen is %2")
                .arg(state, open ? QStringLiteral("open") : QStringLiteral("closed")));
}

void Replay::await(const QString &seconds)
{
    bool ok = true;
    const int limit = seconds.isEmpty() ? defaultAwaitSeconds : seconds.toInt(&ok);
    if (!ok || limit <= 0) {
        fail(QStringLiteral("await needs a number of seconds: %1").arg(seconds));
        return;
    }
    m_out << "AWAIT" << Qt::endl;
    if (takeInputLine())
        return;
    m_awaiting = true;
    if (!m_stdin) {
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, &Replay::readInput);
    }
    m_stdin->setEnabled(true);
    m_awaitTimeout.start(limit * 1000);
}

void Replay::readInput()
{
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // End of input: no line will ever come.
        m_stdin->setEnabled(false);
        endAwait(QStringLiteral("await: standard input is closed"));
        return;
    }
    m_input.append(buffer, int(n));
    if (takeInputLine())
        endAwait({});
}

bool Replay::takeInputLine()
{
    const int end = int(m_input.indexOf('\n'));
    if (end < 0)
        return false;
    m_input.remove(0, end + 1);
    return true;
}

void Replay::endAwait(const QString &error)
{
    if (!m_awaiting)
        return;
    m_awaiting = false;
    m_awaitTimeout.stop();
    if (m_stdin)
        m_stdin->setEnabled(false);
    if (!error.isEmpty())
        expectationFailed(error);
    scheduleStep();
}

bool Replay::eventFilter(QObject *watched, QEvent *event)
{
    if (m_keyLog && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        watched == screen())
        m_out << "KEY " << describeKeyEvent(*static_cast<QKeyEvent *>(event)) << Qt::endl;
    // The screen keeps its hint line in a property of its own; each change is printed.
    if (event->type() == QEvent::DynamicPropertyChange &&
        static_cast<QDynamicPropertyChangeEvent *>(event)->propertyName() == "kvtDica") {
        const QString hint = oneLine(watched->property("kvtDica").toString());
        m_out << "HINT" << (hint.isEmpty() ? QString() : QLatin1Char(' ') + hint) << Qt::endl;
    }
    return false;
}

void Replay::pressKey(const QString &name)
{
    const auto stroke = parseKeyName(name);
    if (!stroke) {
        fail(QStringLiteral("unknown key: %1").arg(name));
        return;
    }
    QPointer<QWidget> target(screen());
    sendStroke(*stroke);
    // Alt+F4 is the window manager's: it asks the window to close.
    if (stroke->key == Qt::Key_F4 && stroke->modifiers == Qt::AltModifier && target &&
        target->isVisible())
        target->close();
}

void Replay::typeText(const QString &text)
{
    for (const QChar ch : text) {
        const auto stroke = keyForCharacter(ch);
        if (!stroke) {
            fail(QStringLiteral("no key types the character %1").arg(ch));
            continue;
        }
        if (!screen())
            return;
        sendStroke(*stroke);
    }
}

void Replay::sendStroke(const KeyStroke &stroke)
{
    QWidget *form = screen();
    if (!form)
        return;
    // As a keyboard does: each modifier goes down as a key of its own before the key and up
    // after it, every key with a press and a release.
    const Qt::KeyboardModifier own = modifierOfKey(stroke.key);
    Qt::KeyboardModifiers held;
    QList<Qt::KeyboardModifier> pressed;
    for (const Qt::KeyboardModifier m : {Qt::ControlModifier, Qt::AltModifier, Qt::ShiftModifier}) {
        if (!stroke.modifiers.testFlag(m) || m == own)
            continue;
        held |= m;
        if (!sendKey(form, QEvent::KeyPress, keyOfModifier(m), held, {}))
            return;
        pressed.prepend(m);
    }
    if (stroke.key == Qt::Key_CapsLock)
        m_capsLock = !m_capsLock;
    QString text = stroke.text;
    if (m_capsLock && text.size() == 1 && text.at(0).isLetter())
        text = text.at(0).isUpper() ? text.toLower() : text.toUpper();
    if (sendKey(form, QEvent::KeyPress, stroke.key, stroke.modifiers, text))
        sendKey(form, QEvent::KeyRelease, stroke.key, stroke.modifiers & ~own, text);
    for (const Qt::KeyboardModifier m : pressed) {
        held &= ~m;
        sendKey(form, QEvent::KeyRelease, keyOfModifier(m), held, {});
    }
}

bool Replay::sendKey(QWidget *form, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
                     const QString &text)
{
    // A key that closed the screen leaves the rest of the stroke to no one.
    if (screen() != form)
        return false;
    // QKeyEvent reports a modifier key's own modifier flipped (X gives the state before the
    // key), so flip it here to have `modifiers` reported.
    QKeyEvent event(type, key, modifiers ^ modifierOfKey(key), text);
    QApplication::sendEvent(form, &event);
    return screen() == form;
}

void Replay::touch(const QString &name)
{
    QWidget *form = screen();
    if (!form)
        return;
    auto *control = form->findChild<QWidget *>(name);
    if (!control) {
        fail(QStringLiteral("no control named %1").arg(name));
        return;
    }
    if (!control->isVisible() || !control->isEnabled()) {
        m_out << "IGNORED touch " << name << " (hidden or disabled)" << Qt::endl;
        return;
    }
    // A touch is a press and a release at the control's centre.
    const QPointF centre = QRectF(control->rect()).center();
    const QPointF global = control->mapToGlobal(centre);
    QPointer<QWidget> target(control);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(control, &press);
    if (target) {
        QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
}

void Replay::dump()
{
    QWidget *form = screen();
    QList<QWidget *> fields;
    for (QWidget *w : form->findChildren<QWidget *>()) {
        if (w->property("kvtDumpOrder").isValid())
            fields.append(w);
    }
    std::sort(fields.begin(), fields.end(), [](const QWidget *a, const QWidget *b) {
        return a->property("kvtDumpOrder").toInt() < b->property("kvtDumpOrder").toInt();
    });
    for (const QWidget *w : fields) {
        const QVariant tag = w->property("tag");
        m_out << "FIELD " << tag.toInt() << ' ' << w->objectName() << ' '
              << oneLine(w->property("caption").toString()) << Qt::endl;
    }
    m_out << "CURRENT " << form->property("inLblAtiv").toInt() << Qt::endl;
    m_out << "KEYS disabled";
    for (const QWidget *w : form->findChildren<QWidget *>()) {
        if (w->property("kvtTecla").toBool() && !w->isEnabled())
            m_out << ' ' << w->objectName();
    }
    m_out << Qt::endl;
    const QString entrega = oneLine(form->property("kvtEntrega").toString());
    m_out << "ENTREGA" << (entrega.isEmpty() ? QString() : QLatin1Char(' ') + entrega) << Qt::endl;
}

void Replay::screenshot(const QString &fileName)
{
    if (screen()->grab().save(fileName))
        m_out << "SCREENSHOT " << fileName << Qt::endl;
    else
        fail(QStringLiteral("cannot write %1").arg(fileName));
}
