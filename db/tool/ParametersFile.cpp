#include "ParametersFile.h"

#include "DemoData.h"

#include "toolkit/FieldDef.h"
#include "toolkit/MemTable.h"

#include <QDir>
#include <QVariant>

namespace kvt::db {

namespace {

FieldDef field(const char *name, FieldType type, int size = 0)
{
    FieldDef f;
    f.name = QLatin1String(name);
    f.type = type;
    f.size = size;
    return f;
}

// List-dialog colours in the toolkit's blue-green-red order: window, text, selection,
// grid lines, selected text, title.
constexpr int kCores[6] = {16777215, 0, 15391193, 12632256, 8388608, 15391193};

} // namespace

QString writeParametersFile(const QString &dir)
{
    const QList<FieldDef> fields = {
        field("INCOR1", FieldType::Integer),       field("INCOR2", FieldType::Integer),
        field("INCOR3", FieldType::Integer),       field("INCOR4", FieldType::Integer),
        field("INCOR5", FieldType::Integer),       field("INCOR6", FieldType::Integer),
        field("UTILIZAIMPFIS", FieldType::Boolean), field("IDESQUEMA", FieldType::String, 10),
        field("CDCCUSCLIE", FieldType::String, 10), field("CDTIPOCONS", FieldType::String, 2),
        field("CDFILIAL", FieldType::String, 4),    field("CDLOJA", FieldType::String, 4),
        field("IDVALIDAATEN", FieldType::String, 1), field("CDCLIENTE", FieldType::String, 21),
    };
    MemTable table(QStringLiteral("cdsParametrosZet"), fields);
    table.createDataSet();
    QVariantList row;
    for (const int cor : kCores)
        row.append(cor);
    // No fiscal printer; an unserved postal code is accepted ("C" would refuse it).
    row << false << QStringLiteral("1") << QLatin1String(kDemoCentroCusto)
        << QLatin1String(kDemoTipoConsumidor) << QLatin1String(kDemoFilial) << QStringLiteral("01")
        << QStringLiteral("N") << QLatin1String(kDemoCliente);
    table.appendRecord(row);

    QDir().mkpath(dir);
    const QString fileName = QDir(dir).filePath(QStringLiteral("PARAMETROSZET.CDS"));
    table.saveToFile(fileName);
    return fileName;
}

} // namespace kvt::db
