#include "db/tool/Cpf.h"

#include <QTest>

// The CPF check-digit rule, anchored on CPFs published as examples of valid numbers.
class tst_Cpf : public QObject
{
    Q_OBJECT

private slots:
    void checkDigits_data();
    void checkDigits();
    void valid_data();
    void valid();
};

void tst_Cpf::checkDigits_data()
{
    QTest::addColumn<QString>("nine");
    QTest::addColumn<QString>("digits");

    QTest::newRow("529.982.247") << "529982247" << "25";
    QTest::newRow("111.444.777") << "111444777" << "35";
    QTest::newRow("123.456.789") << "123456789" << "09";
    QTest::newRow("390.533.447") << "390533447" << "05";
    QTest::newRow("leading zeros") << "000000001" << "91";
    QTest::newRow("eight digits") << "12345678" << "";
    QTest::newRow("ten digits") << "1234567890" << "";
    QTest::newRow("not digits") << "12345678a" << "";
}

void tst_Cpf::checkDigits()
{
    QFETCH(QString, nine);
    QFETCH(QString, digits);
    QCOMPARE(kvt::db::cpfCheckDigits(nine), digits);
}

void tst_Cpf::valid_data()
{
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<bool>("valid");

    QTest::newRow("valid") << "52998224725" << true;
    QTest::newRow("first digit wrong") << "52998224735" << false;
    QTest::newRow("second digit wrong") << "52998224726" << false;
    QTest::newRow("digits swapped") << "25998224725" << false;
    QTest::newRow("repeated digit") << "11111111111" << false;
    QTest::newRow("zeros") << "00000000000" << false;
    QTest::newRow("with punctuation") << "529.982.247-25" << false;
    QTest::newRow("too short") << "5299822472" << false;
    QTest::newRow("empty") << "" << false;
}

void tst_Cpf::valid()
{
    QFETCH(QString, cpf);
    QFETCH(bool, valid);
    QCOMPARE(kvt::db::cpfValid(cpf), valid);
}

QTEST_GUILESS_MAIN(tst_Cpf)
#include "tst_cpf.moc"
