// The consumer list read from the database against the full in-memory copy, side by side, on
// databases that kvt-db builds with 10,000, 100,000 and 1,000,000 consumers: what the screen does
// with the list when it opens, checks a telephone, an RG and a CPF, opens the search and takes the
// first two characters typed and a rare part of a name, and saves; and the hint line while a
// telephone and a CPF are typed.
//   bench_lista [--pg CONNECTION] [--dir DIR] [N ...]
// SQLite always (files kept in DIR, default /tmp/kvt-bench, and reused); PostgreSQL when a
// connection is given: on its server a database per size, kvtbench_N, made with a UTF-8
// character type (under "C" the trigram index cannot read accented letters and narrows a search
// by a part of a name to a fiftieth of the list, not to its few rows) and reused while it holds
// the size's generated consumers. Run with QT_QPA_PLATFORM=offscreen.

#include "client/CadConsDica.h"
#include "client/CadConsEdicao.h"
#include "db/Schema.h"
#include "host/HostZet.h"
#include "host/PesquisaDialog.h"
#include "server/ConnectionString.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/DataSet.h"
#include "toolkit/ProcessUsage.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <vector>

namespace {

QTextStream out(stdout);

double medianMs(const std::function<void()> &run, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool runKvtDb(const QStringList &arguments)
{
    QProcess tool;
    tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool.start(QCoreApplication::applicationDirPath() + QStringLiteral("/kvt-db"), arguments);
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        out << "kvt-db failed: " << tool.readAllStandardOutput() << Qt::endl;
        return false;
    }
    return true;
}

// A consumer of the branch far into the key order, whose telephone, RG and CPF are checked.
struct Probe
{
    QString cliente, telefone, rg, cpf;
};

Probe probeOf(const QString &connection)
{
    Probe probe;
    openDatabase(connection, QStringLiteral("probe"));
    {
        QSqlQuery query(QSqlDatabase::database(QStringLiteral("probe")));
        query.exec(QStringLiteral(
            "SELECT CDCLIENTE, NRTELECONS, NRRGCONSUMID, NRCPFRESPCON FROM CONSUMIDOR WHERE "
            "NRRGCONSUMID IS NOT NULL AND CDCLIENTE = '0001' ORDER BY CDCONSUMIDOR DESC LIMIT 1"));
        if (query.next())
            probe = {query.value(0).toString(), query.value(1).toString(),
                     query.value(2).toString(), query.value(3).toString()};
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return probe;
}

// The PostgreSQL database of one size beside the one `connection` names, made when missing;
// empty when it cannot be made.
QString databaseForSize(const QString &connection, qint64 size, bool &fresh)
{
    const QString name = QStringLiteral("kvtbench_%1").arg(size);
    QString sized = connection;
    sized.replace(QRegularExpression(QStringLiteral("database=[^;]*")),
                  QStringLiteral("database=") + name);
    bool ok = true;
    {
        QSqlDatabase db = openDatabase(connection, QStringLiteral("server"));
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(name));
        fresh = !query.next();
        if (fresh)
            ok = query.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING "
                                           "'UTF8' LC_COLLATE 'C' LC_CTYPE 'C.UTF-8'")
                                .arg(name));
        if (!ok)
            out << "cannot create " << name << ": " << query.lastError().text() << Qt::endl;
    }
    QSqlDatabase::removeDatabase(QStringLiteral("server"));
    return ok ? sized : QString();
}

// The consumers of the list that meet `where`.
qint64 consumersWhere(const QString &connection, const QString &where)
{
    qint64 count = -1;
    {
        QSqlDatabase db = openDatabase(connection, QStringLiteral("count"));
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR WHERE ") + where) &&
            query.next())
            count = query.value(0).toLongLong();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}

constexpr char kSavedHere[] = "NMCONSUMIDOR LIKE 'Bench %'";

// The consumers kvt-db generated, leaving out those this benchmark saved.
qint64 generatedConsumers(const QString &connection)
{
    return consumersWhere(connection, QStringLiteral("NOT (%1)").arg(QLatin1String(kSavedHere)));
}

using Row = std::map<QString, double>;

constexpr qint64 kLargestCopy = 1000000;

// The screen's texts without a window, for the editing model.
class Textos : public CadConsEdicao::Textos, public CadConsEdicao::Acoes
{
public:
    QString texto(int numero) const override { return m_textos.at(size_t(numero)); }
    void setTexto(int numero, const QString &texto) override
    {
        m_textos.at(size_t(numero)) = texto;
    }
    bool verifica(CadConsEdicao::Verificacao, bool) override { return true; }
    void capturaDigital() override {}
    void sair() override {}
    bool confirmarHabilitado() const override { return false; }
    void confirmar() override {}
    bool pesquisaHabilitada() const override { return false; }
    void pesquisaConsumidor() override {}
    void abreLista(int) override {}
    bool utilizaImpFis() const override { return false; }
    void menuFiscal() override {}
    void mudaCor() override {}
    void mostraMaiusculas(bool) override {}

private:
    std::array<QString, cadcons::kNumTextos + 1> m_textos;
};

// The slowest key of typing the probe's telephone and then its CPF, each key followed by the
// hint line, as the screen does; the line must name the probe at the end of each.
double slowestHintKey(const std::shared_ptr<kvt::DataSet> &list, const Probe &probe)
{
    Textos textos;
    CadConsEdicao edicao(textos, textos);
    edicao.estado.stCdCliente = probe.cliente;
    edicao.estado.adqPesqConsumidor = list;
    CadConsDica dica(edicao, textos);
    double slowest = 0;
    for (const auto &[campo, texto] : {std::pair{int(cadcons::Telefone), probe.telefone},
                                       std::pair{int(cadcons::Cpf), probe.cpf}}) {
        edicao.inLblAtiv = campo;
        for (const QChar c : texto) {
            QElapsedTimer timer;
            timer.start();
            edicao.FormKeyPress(c);
            dica.atualiza();
            slowest = std::max(slowest, double(timer.nsecsElapsed()) / 1e6);
        }
        if (dica.linha().isEmpty())
            out << "no hint for " << texto << Qt::endl;
    }
    return slowest;
}

// Every step the screen takes with its list, on one kind of list.
Row measure(const QString &connection, ListaConsumidores lista, const Probe &probe, int runs,
            int &saved)
{
    Row row;
    setConnectionString(connection);
    setListaConsumidores(lista);
    const DataModuleScope dados;
    dados.module().connectDatabase();

    std::shared_ptr<kvt::DataSet> list;
    const long before = kvt::process::residentKb();
    // The screen opening: the list, and the edit load's filter on one consumer.
    row[QStringLiteral("1 screen ready")] = medianMs(
        [&] {
            list.reset();
            list = GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T"));
            kvt::RowFilter filtro;
            filtro.add(QStringLiteral("CDCLIENTE"), probe.cliente);
            filtro.add(QStringLiteral("CDCONSUMIDOR"), QStringLiteral("000000000000000000001"));
            list->setFiltered(false);
            list->setFilter(filtro);
            list->setFiltered(true);
            list->isEmpty();
        },
        lista == ListaConsumidores::Memoria ? 1 : runs);
    row[QStringLiteral("8 memory growth MB")] =
        double(kvt::process::residentKb() - before) / 1024.0;

    row[QStringLiteral("2 phone check")] = medianMs(
        [&] {
            kvt::RowFilter filtro;
            filtro.join = kvt::RowFilter::Join::Or;
            for (const char *column : {"NRTELECONS", "NRTELE2CONS", "NRCELULARCONS"}) {
                filtro.add(QString::fromLatin1(column), probe.telefone);
                filtro.add(
                    QString::fromLatin1(column),
                    QStringLiteral("(%1)%2").arg(probe.telefone.left(2), probe.telefone.mid(2)));
            }
            list->setFiltered(false);
            list->setFilter(filtro);
            list->setFiltered(true);
            for (list->first(); !list->eof(); list->next())
                list->asString(QStringLiteral("NMCONSUMIDOR"));
        },
        runs);
    row[QStringLiteral("3 RG check")] = medianMs(
        [&] {
            list->lookupRows({QStringLiteral("CDCLIENTE"), QStringLiteral("NRRGCONSUMID")},
                             {probe.cliente, probe.rg},
                             {QStringLiteral("CDCONSUMIDOR"), QStringLiteral("NMCONSUMIDOR")}, 2);
        },
        runs);
    row[QStringLiteral("4 CPF check")] = medianMs(
        [&] {
            QVariant resultado;
            getExisteConsumidor(probe.cliente, probe.cpf, QString(), resultado);
        },
        runs);
    std::vector<double> keys;
    for (int i = 0; i < runs; ++i)
        keys.push_back(slowestHintKey(list, probe));
    std::sort(keys.begin(), keys.end());
    row[QStringLiteral("4 hint, slowest key")] = keys[keys.size() / 2];

    list->setFiltered(false);
    list->setFilter({});
    std::unique_ptr<PesquisaDialog> dialog;
    row[QStringLiteral("5 search open")] = medianMs(
        [&] {
            dialog.reset();
            dialog = std::make_unique<PesquisaDialog>(*list, PesquisaCores{});
            dialog->show();
            QApplication::processEvents();
        },
        runs);
    const auto type = [&](const QString &text) {
        return medianMs(
            [&] {
                dialog->findChild<QLineEdit *>()->setText(text);
                QApplication::processEvents();
            },
            1);
    };
    double first = 0, second = 0;
    for (int i = 0; i < runs; ++i) {
        type({});
        first += type(QStringLiteral("m"));
        second += type(QStringLiteral("ma"));
    }
    row[QStringLiteral("6 first character")] = first / runs;
    row[QStringLiteral("7 second character")] = second / runs;
    // A part of a name almost no consumer has: the index's case, where reading in key order
    // would go through the whole list.
    double rare = 0;
    for (int i = 0; i < runs; ++i) {
        type({});
        rare += type(QStringLiteral("ngu"));
    }
    row[QStringLiteral("7 rare name part")] = rare / runs;
    dialog.reset();

    // Numbered past the consumers earlier runs saved: a telephone already stored would time the
    // refused insert and its rollback, not a save.
    const qint64 savedBefore = consumersWhere(connection, QLatin1String(kSavedHere));
    saved = int(std::max<qint64>(saved, savedBefore));
    row[QStringLiteral("9 save")] = medianMs(
        [&] {
            ConsumidorArgs a;
            a.P_CDCLIENTE = probe.cliente;
            a.P_NMCONSUMIDOR = QStringLiteral("Bench %1").arg(saved);
            a.P_NRTELECONS = QStringLiteral("(11)7%1").arg(saved++, 8, 10, QLatin1Char('0'));
            a.P_CDCCUSCLIE = QStringLiteral("CC1");
            QVariant resultado;
            setInsereConsumidor(a, resultado);
        },
        runs);
    if (const qint64 stored = consumersWhere(connection, QLatin1String(kSavedHere)) - savedBefore;
        stored != runs)
        QTextStream(stderr) << "save: " << stored << " of " << runs << " consumers stored\n";
    list.reset();
    return row;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString pg;
    QString dir = QStringLiteral("/tmp/kvt-bench");
    QList<qint64> sizes;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--pg") && i + 1 < args.size())
            pg = args.at(++i);
        else if (args.at(i) == QLatin1String("--dir") && i + 1 < args.size())
            dir = args.at(++i);
        else
            sizes.append(args.at(i).toLongLong());
    }
    if (sizes.isEmpty())
        sizes = {10000, 100000, 1000000};
    QDir().mkpath(dir);
    setMensagemHandler([](const QString &, int) {});

    out << "step                  consumers  backend     database ms   memory ms   memory/db\n";
    int saved = 0;
    for (const qint64 size : sizes) {
        std::vector<std::pair<QString, QString>> backends;
        const QString file = QStringLiteral("%1/consumers-%2.db").arg(dir).arg(size);
        const QString sqlite = QStringLiteral("driver=QSQLITE;database=") + file;
        if (!QFileInfo::exists(file) &&
            !runKvtDb({QStringLiteral("--connection"), sqlite, QStringLiteral("--create"),
                       QStringLiteral("--demo"), QStringLiteral("--consumers"),
                       QString::number(size)}))
            return 1;
        backends.emplace_back(QStringLiteral("sqlite"), sqlite);
        if (!pg.isEmpty()) {
            bool fresh = false;
            const QString sized = databaseForSize(pg, size, fresh);
            if (sized.isEmpty())
                return 1;
            if (!fresh && generatedConsumers(sized) != size) {
                {
                    QSqlDatabase db = openDatabase(sized, QStringLiteral("drop"));
                    kvt::db::dropSchema(db);
                }
                QSqlDatabase::removeDatabase(QStringLiteral("drop"));
                fresh = true;
            }
            if (fresh && !runKvtDb({QStringLiteral("--connection"), sized,
                                    QStringLiteral("--create"), QStringLiteral("--demo"),
                                    QStringLiteral("--consumers"), QString::number(size)}))
                return 1;
            backends.emplace_back(QStringLiteral("postgresql"), sized);
        }
        for (const auto &[backend, connection] : backends) {
            const Probe probe = probeOf(connection);
            const int runs = 5;
            const Row banco = measure(connection, ListaConsumidores::Banco, probe, runs, saved);
            // Past a million the copy needs gigabytes and minutes: its columns stay empty.
            const Row memoria =
                size <= kLargestCopy
                    ? measure(connection, ListaConsumidores::Memoria, probe, runs, saved)
                    : Row{};
            for (const auto &[step, ms] : banco) {
                const auto copy = memoria.find(step);
                const bool has = copy != memoria.end();
                out << qSetFieldWidth(22) << Qt::left << step.mid(2) << qSetFieldWidth(11)
                    << Qt::right << size << qSetFieldWidth(12) << backend << qSetFieldWidth(14)
                    << QString::number(ms, 'f', 2) << qSetFieldWidth(12)
                    << (has ? QString::number(copy->second, 'f', 2) : QStringLiteral("-"))
                    << qSetFieldWidth(12)
                    << (has && ms > 0 ? QString::number(copy->second / ms, 'f', 1)
                                      : QStringLiteral("-"))
                    << qSetFieldWidth(0) << '\n';
            }
            out.flush();
        }
    }
    return 0;
}
