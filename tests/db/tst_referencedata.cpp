#include "db/tool/ReferenceData.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using kvt::db::ReferenceData;

// The demo's reference data as the tool reads it, and the files it must refuse.
class tst_ReferenceData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void countsAndCodes();
    void longNamesAreAbbreviatedNotCut_data();
    void longNamesAreAbbreviatedNotCut();
    void postalCodesLieInTheirStatesRange();
    void refusesMalformedFiles_data();
    void refusesMalformedFiles();

private:
    ReferenceData m_ref;
};

void tst_ReferenceData::initTestCase()
{
    QString error;
    QVERIFY2(m_ref.load(error), qPrintable(error));
}

void tst_ReferenceData::countsAndCodes()
{
    QCOMPARE(m_ref.estados.size(), 27);
    QCOMPARE(m_ref.municipios.size(), 5571);

    QSet<QString> keys;
    QSet<QString> ibge;
    for (const kvt::db::Municipio &m : qAsConst(m_ref.municipios)) {
        QVERIFY2(m.codigo.size() == 4, qPrintable(m.codigo));
        QVERIFY2(m.codigoIbge.size() == 7, qPrintable(m.codigoIbge));
        QVERIFY2(m.nome.size() <= 30, qPrintable(m.nome));
        keys.insert(m.sgEstado + m.codigo);
        ibge.insert(m.codigoIbge);
    }
    QCOMPARE(keys.size(), m_ref.municipios.size());
    QCOMPARE(ibge.size(), m_ref.municipios.size());

    const int saoPaulo = m_ref.municipioIndex(QStringLiteral("SP"), QStringLiteral("São Paulo"));
    QVERIFY(saoPaulo >= 0);
    QCOMPARE(m_ref.municipios.at(saoPaulo).codigoIbge, QStringLiteral("3550308"));
    QCOMPARE(m_ref.municipios.at(saoPaulo).codigo, QStringLiteral("0308"));

    // Every capital has neighbourhoods, each numbered within its own municipality.
    QSet<QString> estadosComBairro;
    QSet<QString> bairroKeys;
    for (const kvt::db::Bairro &b : qAsConst(m_ref.bairros)) {
        const kvt::db::Municipio &m = m_ref.municipios.at(b.municipio);
        estadosComBairro.insert(m.sgEstado);
        QCOMPARE(b.codigo.size(), 10);
        bairroKeys.insert(m.sgEstado + m.codigo + b.codigo);
    }
    QCOMPARE(estadosComBairro.size(), 27);
    QCOMPARE(bairroKeys.size(), m_ref.bairros.size());
}

void tst_ReferenceData::longNamesAreAbbreviatedNotCut_data()
{
    QTest::addColumn<QString>("uf");
    QTest::addColumn<QString>("ibgeName");
    QTest::addColumn<QString>("stored");

    QTest::newRow("PI") << "PI" << QStringLiteral("São Francisco de Assis do Piauí")
                        << QStringLiteral("S. Francisco de Assis do Piauí");
    QTest::newRow("MT") << "MT" << QStringLiteral("Vila Bela da Santíssima Trindade")
                        << QStringLiteral("Vila Bela da Sant. Trindade");
    QTest::newRow("30 characters stay") << "PB" << QStringLiteral("São Sebastião de Lagoa de Roça")
                                        << QStringLiteral("São Sebastião de Lagoa de Roça");
}

void tst_ReferenceData::longNamesAreAbbreviatedNotCut()
{
    QFETCH(QString, uf);
    QFETCH(QString, ibgeName);
    QFETCH(QString, stored);
    const int i = m_ref.municipioIndex(uf, ibgeName);
    QVERIFY(i >= 0);
    QCOMPARE(m_ref.municipios.at(i).nome, stored);
}

void tst_ReferenceData::postalCodesLieInTheirStatesRange()
{
    // The postal-code ranges of the states (first five digits).
    const QHash<QString, QList<QPair<int, int>>> ranges = {
        {"SP", {{1000, 19999}}}, {"RJ", {{20000, 28999}}}, {"ES", {{29000, 29999}}},
        {"MG", {{30000, 39999}}}, {"BA", {{40000, 48999}}}, {"SE", {{49000, 49999}}},
        {"PE", {{50000, 56999}}}, {"AL", {{57000, 57999}}}, {"PB", {{58000, 58999}}},
        {"RN", {{59000, 59999}}}, {"CE", {{60000, 63999}}}, {"PI", {{64000, 64999}}},
        {"MA", {{65000, 65999}}}, {"PA", {{66000, 68899}}}, {"AP", {{68900, 68999}}},
        {"AM", {{69000, 69299}, {69400, 69899}}}, {"RR", {{69300, 69399}}},
        {"AC", {{69900, 69999}}}, {"DF", {{70000, 72799}, {73000, 73699}}},
        {"GO", {{72800, 72999}, {73700, 76799}}}, {"RO", {{76800, 76999}}},
        {"TO", {{77000, 77999}}}, {"MT", {{78000, 78899}}}, {"MS", {{79000, 79999}}},
        {"PR", {{80000, 87999}}}, {"SC", {{88000, 89999}}}, {"RS", {{90000, 99999}}},
    };
    QVERIFY(!m_ref.ceps.isEmpty());
    for (const kvt::db::Cep &c : qAsConst(m_ref.ceps)) {
        const QString uf = m_ref.municipios.at(m_ref.bairros.at(c.bairro).municipio).sgEstado;
        const int prefix = c.numero.left(5).toInt();
        bool inside = false;
        for (const auto &[low, high] : ranges.value(uf))
            inside = inside || (prefix >= low && prefix <= high);
        QVERIFY2(inside, qPrintable(c.numero + QLatin1Char(' ') + uf));
    }
}

void tst_ReferenceData::refusesMalformedFiles_data()
{
    QTest::addColumn<QString>("municipios");
    QTest::addColumn<QString>("bairros");
    QTest::addColumn<QString>("message");

    QTest::newRow("long name without abbreviation")
        << QStringLiteral("3500105,Um Nome Bem Comprido Demais Para Caber,SP\n") << QString()
        << QStringLiteral("Um Nome Bem Comprido Demais Para Caber");
    QTest::newRow("code repeats within the state")
        << QStringLiteral("3500105,Aqui,SP\n3510105,Ali,SP\n") << QString()
        << QStringLiteral("0105 repeats");
    QTest::newRow("code of another state")
        << QStringLiteral("3300105,Aqui,SP\n") << QString() << QStringLiteral("3300105");
    QTest::newRow("six-digit code") << QStringLiteral("350010,Aqui,SP\n") << QString()
                                    << QStringLiteral("350010");
    QTest::newRow("quoted field") << QStringLiteral("3500105,\"Aqui, SP\",SP\n") << QString()
                                  << QStringLiteral("plain fields");
    QTest::newRow("unknown municipality")
        << QStringLiteral("3500105,Aqui,SP\n")
        << QStringLiteral("SP,Ali,Centro,01001000,Rua A,5.00,0030\n") << QStringLiteral("Ali");
    QTest::newRow("postal code of seven digits")
        << QStringLiteral("3500105,Aqui,SP\n")
        << QStringLiteral("SP,Aqui,Centro,0100100,Rua A,5.00,0030\n") << QStringLiteral("0100100");
    QTest::newRow("postal code twice")
        << QStringLiteral("3500105,Aqui,SP\n")
        << QStringLiteral("SP,Aqui,Centro,01001000,Rua A,5.00,0030\n"
                          "SP,Aqui,Sul,01001000,Rua B,5.00,0030\n")
        << QStringLiteral("Sul");
    QTest::newRow("fee not a number")
        << QStringLiteral("3500105,Aqui,SP\n")
        << QStringLiteral("SP,Aqui,Centro,01001000,Rua A,cinco,0030\n") << QStringLiteral("cinco");
}

void tst_ReferenceData::refusesMalformedFiles()
{
    QFETCH(QString, municipios);
    QFETCH(QString, bairros);
    QFETCH(QString, message);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QList<QPair<QString, QString>> files = {
        {QStringLiteral("estados.csv"),
         QStringLiteral("SGESTADO,NMESTADO,CDUFIBGE,REGIAO\nSP,São Paulo,35,Sudeste\n")},
        {QStringLiteral("municipios.csv"),
         QStringLiteral("CDMUNICIBGE,NMMUNICIPIO,SGESTADO\n") + municipios},
        {QStringLiteral("bairros.csv"),
         QStringLiteral("SGESTADO,NMMUNICIPIO,NMBAIRRO,NRCEP,DSLOGCEP,VRTXENTREGA,"
                        "QTHORAENTREGA\n")
             + bairros},
    };
    for (const auto &[name, text] : files) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    ReferenceData ref;
    QString error;
    QVERIFY(!ref.load(error, dir.path()));
    QVERIFY2(error.contains(message), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_ReferenceData)
#include "tst_referencedata.moc"
