#include "db/tool/ConsumerGenerator.h"
#include "db/tool/DemoData.h"
#include "db/tool/ReferenceData.h"
#include "toolkit/TextRules.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using kvt::db::ConsumerGenerator;
using kvt::db::Consumidor;

namespace {

QStringList flatten(const Consumidor &c)
{
    return {c.cdCliente, c.cdConsumidor, c.nome, c.nascimento.toString(Qt::ISODate), c.cpf,
            c.rg, c.email, c.telefone, c.telefone2, c.celular, c.endereco, c.numero,
            c.complemento, c.referencia, c.cep, c.pais, c.estado, c.municipio, c.bairro,
            c.tipoConsumidor, c.tipoVenda};
}

} // namespace

class tst_ConsumerGenerator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameSeedSameConsumers();
    void everyConsumerIsWellFormed();
    void cpfsNeverRepeatAcrossRuns();
    void neverIssuedCpfIsSkipped_data();
    void neverIssuedCpfIsSkipped();

private:
    kvt::db::ReferenceData m_ref;
};

void tst_ConsumerGenerator::initTestCase()
{
    QString error;
    QVERIFY2(m_ref.load(error), qPrintable(error));
}

void tst_ConsumerGenerator::sameSeedSameConsumers()
{
    ConsumerGenerator a(m_ref, 42);
    ConsumerGenerator b(m_ref, 42);
    ConsumerGenerator other(m_ref, 43);
    int differing = 0;
    for (int i = 0; i < 500; ++i) {
        const QStringList fromA = flatten(a.next());
        QCOMPARE(fromA, flatten(b.next()));
        const QStringList fromOther = flatten(other.next());
        // The CPF follows the running number; everything else follows the seed.
        QCOMPARE(fromOther.at(4), fromA.at(4));
        if (fromOther != fromA)
            ++differing;
    }
    QVERIFY(differing > 450);
}

void tst_ConsumerGenerator::everyConsumerIsWellFormed()
{
    QSet<QString> clientes;
    for (const kvt::db::ClienteDemo &c : kvt::db::clientesDemo())
        clientes.insert(c.codigo);
    QHash<QString, int> municipios;
    for (int i = 0; i < m_ref.municipios.size(); ++i)
        municipios.insert(m_ref.municipios.at(i).sgEstado + m_ref.municipios.at(i).codigo, i);
    const QRegularExpression mobile(QStringLiteral("^[1-9][1-9]9[6-9][0-9]{7}$"));
    const QRegularExpression landline(QStringLiteral("^[1-9][1-9][2-5][0-9]{7}$"));
    const QRegularExpression rg(QStringLiteral("^[0-9]{2}\\.[0-9]{3}\\.[0-9]{3}-[0-9]$"));
    const QRegularExpression email(QStringLiteral("^[a-z]+\\.[a-z]+[0-9]*@example\\.[a-z.]+$"));

    QSet<QString> tiposVenda;
    int comBairro = 0;
    ConsumerGenerator gerador(m_ref, 7);
    for (int i = 0; i < 5000; ++i) {
        const Consumidor c = gerador.next();
        const QString where = QStringLiteral("consumer %1: %2").arg(i).arg(flatten(c).join('|'));
        QVERIFY2(kvt::text::cpfValid(c.cpf), qPrintable(where));
        QVERIFY2(c.cdConsumidor == QString(10, QLatin1Char('0')) + c.cpf, qPrintable(where));
        QVERIFY2(clientes.contains(c.cdCliente), qPrintable(where));
        QVERIFY2(c.nome.size() <= 50 && c.nome.count(QLatin1Char(' ')) >= 1, qPrintable(where));
        QVERIFY2(mobile.match(c.telefone).hasMatch(), qPrintable(where));
        QVERIFY2(c.celular.isEmpty() || mobile.match(c.celular).hasMatch(), qPrintable(where));
        QVERIFY2(c.telefone2.isEmpty() || landline.match(c.telefone2).hasMatch(), qPrintable(where));
        QVERIFY2(c.rg.isEmpty() || rg.match(c.rg).hasMatch(), qPrintable(where));
        QVERIFY2(c.email.isEmpty() || (c.email.size() <= 50 && email.match(c.email).hasMatch()),
                 qPrintable(where));
        QVERIFY2(!c.nascimento.isValid()
                     || (c.nascimento.year() >= 1940 && c.nascimento.year() <= 2006),
                 qPrintable(where));
        QVERIFY2(c.endereco.size() <= 50 && c.numero.size() <= 5 && !c.numero.isEmpty(),
                 qPrintable(where));
        QCOMPARE(c.pais, QStringLiteral("1058"));
        const int municipio = municipios.value(c.estado + c.municipio, -1);
        QVERIFY2(municipio >= 0, qPrintable(where));
        if (!c.bairro.isEmpty()) {
            ++comBairro;
            bool found = false;
            for (const kvt::db::Cep &cep : qAsConst(m_ref.ceps)) {
                const kvt::db::Bairro &b = m_ref.bairros.at(cep.bairro);
                found = found
                        || (cep.numero == c.cep && b.municipio == municipio
                            && b.codigo == c.bairro && cep.logradouro == c.endereco);
            }
            QVERIFY2(found, qPrintable(where));
        } else {
            QVERIFY2(c.cep.isEmpty(), qPrintable(where));
        }
        tiposVenda.insert(c.tipoVenda);
    }
    QCOMPARE(tiposVenda, (QSet<QString>{"1", "2", "3", "4", "5", "6", "7"}));
    QVERIFY(comBairro > 2500); // most consumers live where the branch delivers
}

void tst_ConsumerGenerator::cpfsNeverRepeatAcrossRuns()
{
    // A second run on a database that holds the first run's consumers, with another seed.
    const int secondStart = 20000;
    QSet<QString> cpfs;
    ConsumerGenerator first(m_ref, 1);
    for (int i = 0; i < secondStart; ++i)
        cpfs.insert(first.next().cpf);
    QCOMPARE(cpfs.size(), secondStart);
    ConsumerGenerator second(m_ref, 99, secondStart);
    for (int i = 0; i < 20000; ++i) {
        const QString cpf = second.next().cpf;
        QVERIFY2(!cpfs.contains(cpf), qPrintable(cpf));
        cpfs.insert(cpf);
    }
}

void tst_ConsumerGenerator::neverIssuedCpfIsSkipped_data()
{
    // Running numbers whose base would be one repeated digit.
    QTest::addColumn<qint64>("numero");
    QTest::newRow("base 777777777") << qint64(95484355);
    QTest::newRow("base 444444444") << qint64(933211158);
}

void tst_ConsumerGenerator::neverIssuedCpfIsSkipped()
{
    QFETCH(qint64, numero);
    ConsumerGenerator generator(m_ref, 1, numero - 1);
    QSet<QString> cpfs;
    for (int i = 0; i < 3; ++i) {
        const QString cpf = generator.next().cpf;
        QVERIFY2(kvt::text::cpfValid(cpf), qPrintable(cpf));
        QVERIFY2(!cpfs.contains(cpf), qPrintable(cpf));
        cpfs.insert(cpf);
    }
}

QTEST_GUILESS_MAIN(tst_ConsumerGenerator)
#include "tst_consumergenerator.moc"
