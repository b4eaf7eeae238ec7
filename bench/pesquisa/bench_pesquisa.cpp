// The list dialog on a branch-sized consumer list: opening it and narrowing it key by key,
// each as a ratio to the bare cost of reading the same rows' visible text once.
//   bench_pesquisa [rows]   (default 1000000; run with QT_QPA_PLATFORM=offscreen headless)

#include "host/DataSetModel.h"
#include "host/PesquisaDialog.h"
#include "toolkit/MemTable.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

namespace {

const char *const Syllables[] = {"ma", "ri",  "jo",  "se",  "an",  "to", "ni",  "o",  "pa", "u",
                                 "lo", "car", "los", "fer", "nan", "da", "sil", "va", "çã", "é"};

QString syllableName(quint32 seed, int count)
{
    QString name;
    for (int i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        name += QString::fromUtf8(Syllables[(seed >> 16) % std::size(Syllables)]);
    }
    name[0] = name[0].toUpper();
    return name;
}

std::unique_ptr<kvt::MemTable> makeConsumers(int rows)
{
    auto table = std::make_unique<kvt::MemTable>(
        QStringLiteral("adqPesqConsumidor"),
        QList<kvt::FieldDef>{
            kvt::stringField(QStringLiteral("CDCONSUMIDOR"), 20, QStringLiteral("Código")),
            kvt::stringField(QStringLiteral("NMCONSUMIDOR"), 50, QStringLiteral("Nome")),
            kvt::stringField(QStringLiteral("NRTELECONS"), 13, QStringLiteral("Telefone")),
            kvt::stringField(QStringLiteral("DSENDECONS"), 50, {}, true)});
    table->createDataSet();
    for (int i = 0; i < rows; ++i) {
        const auto seed = static_cast<quint32>(i);
        table->appendRecord(
            {QStringLiteral("%1").arg(i, 20, 10, QLatin1Char('0')),
             syllableName(seed, 4) + QLatin1Char(' ') + syllableName(seed * 7 + 1, 3),
             QStringLiteral("(11)9%1").arg(i % 100000000, 8, 10, QLatin1Char('0')),
             QStringLiteral("Rua %1").arg(i % 977)});
    }
    return table;
}

// Median of a few runs, in milliseconds; `setup` runs untimed before each.
double medianMs(const std::function<void()> &run, const std::function<void()> &setup = {},
                int runs = 5)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (setup)
            setup();
        QElapsedTimer t;
        t.start();
        run();
        times.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000000;
    QTextStream out(stdout);

    const auto table = makeConsumers(rows);
    qsizetype sink = 0;
    const double bare = medianMs([&] {
        for (int row = 0; row < table->recordCount(); ++row) {
            for (int field = 0; field < 3; ++field)
                sink += table->value(row, field).toString().size();
        }
    });
    out << "rows " << rows << ", bare read of the visible text " << bare << " ms\n";
    const auto report = [&](const QString &what, double ms) {
        out << qSetFieldWidth(34) << Qt::left << what << qSetFieldWidth(0) << ms << " ms  ratio "
            << ms / bare << '\n';
    };

    report(QStringLiteral("open the dialog"), medianMs([&] {
               PesquisaDialog dialog(*table, {});
               dialog.show();
               QApplication::processEvents();
           }));

    DataSetModel model(*table);
    const QStringList keys{QStringLiteral("m"), QStringLiteral("ma"), QStringLiteral("mar"),
                           QStringLiteral("mari"), QStringLiteral("maria")};
    const auto typeUpTo = [&](qsizetype count) {
        model.setSearchText({});
        for (qsizetype i = 0; i < count; ++i)
            model.setSearchText(keys.at(i));
    };
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const double ms = medianMs([&] { model.setSearchText(keys.at(i)); }, [&] { typeUpTo(i); });
        report(QStringLiteral("type \"%1\" (%2 rows left)").arg(keys.at(i)).arg(model.rowCount()),
               ms);
    }
    report(QStringLiteral("backspace \"maria\" -> \"mari\""),
           medianMs([&] { model.setSearchText(QStringLiteral("mari")); },
                    [&] { typeUpTo(keys.size()); }));
    report(QStringLiteral("retype \"mari\" -> \"marc\""),
           medianMs([&] { model.setSearchText(QStringLiteral("marc")); }, [&] { typeUpTo(4); }));
    report(QStringLiteral("search a telephone \"99999\""),
           medianMs([&] { model.setSearchText(QStringLiteral("99999")); },
                    [&] { model.setSearchText({}); }));
    return sink < 0 ? 1 : 0;
}
