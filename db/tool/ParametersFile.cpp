#include "ParametersFile.h"

#include "DemoData.h"

#include "toolkit/FieldDef.h"
#include "toolkit/MemTable.h"
#include "toolkit/SiteFiles.h"

#include <QDir>
#include <QFile>
#include <QVariant>

namespace kvt::db {

namespace {

// List-dialog colours in the toolkit's blue-green-red order: window, text, selection,
// grid lines, selected text, title.
constexpr int kCores[6] = {16777215, 0, 15391193, 12632256, 8388608, 15391193};

} // namespace

QString writeParametersFile(const QString &dir)
{
    const QList<FieldDef> fields = {
        makeField("INCOR1", FieldType::Integer),
        makeField("INCOR2", FieldType::Integer),
        makeField("INCOR3", FieldType::Integer),
        makeField("INCOR4", FieldType::Integer),
        makeField("INCOR5", FieldType::Integer),
        makeField("INCOR6", FieldType::Integer),
        makeField("UTILIZAIMPFIS", FieldType::Boolean),
        makeField("IDESQUEMA", FieldType::String, 10),
        makeField("CDCCUSCLIE", FieldType::String, 10),
        makeField("CDTIPOCONS", FieldType::String, 2),
        makeField("CDFILIAL", FieldType::String, 4),
        makeField("CDLOJA", FieldType::String, 4),
        makeField("IDVALIDAATEN", FieldType::String, 1),
        makeField("CDCLIENTE", FieldType::String, 21),
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
    QFile::setPermissions(fileName, files::kGroupOnly); // as every file of the host folder
    return fileName;
}

} // namespace kvt::db
