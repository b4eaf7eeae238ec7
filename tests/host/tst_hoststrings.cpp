#include "host/HostZet.h"

#include <QtTest>

class tst_HostStrings : public QObject
{
    Q_OBJECT

private slots:
    void emptyString_data();
    void emptyString();
    void soNumerosStr_data();
    void soNumerosStr();
    void ajusta();
    void cpfOk_data();
    void cpfOk();
    void cpfOneDigitChanged_data();
    void cpfOneDigitChanged();
};

void tst_HostStrings::emptyString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("empty");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("blanks") << QStringLiteral("   ") << true;
    QTest::newRow("tabs and line breaks") << QStringLiteral("\t \r\n\t") << true;
    QTest::newRow("control character") << QStringLiteral("\x1f") << true;
    QTest::newRow("letter") << QStringLiteral("a") << false;
    QTest::newRow("letter between tabs") << QStringLiteral("\t0\t") << false;
    QTest::newRow("no-break space is a character") << QStringLiteral("\u00a0") << false;
}

void tst_HostStrings::emptyString()
{
    QFETCH(QString, text);
    QFETCH(bool, empty);
    QCOMPARE(EmptyString(text), empty);
}

void tst_HostStrings::soNumerosStr_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digits");

    QTest::newRow("telephone form")
        << QStringLiteral("(11)98765-4321") << QStringLiteral("11987654321");
    QTest::newRow("cpf with punctuation")
        << QStringLiteral("529.982.247-25") << QStringLiteral("52998224725");
    QTest::newRow("letters between") << QStringLiteral("a1b2 c3") << QStringLiteral("123");
    QTest::newRow("no digits") << QStringLiteral("abc -") << QString();
    QTest::newRow("empty") << QString() << QString();
    // Other scripts' digits would slip past a Unicode digit test into a numeric column.
    QTest::newRow("arabic-indic digits") << QStringLiteral("\u0661\u0662") << QString();
}

void tst_HostStrings::soNumerosStr()
{
    QFETCH(QString, text);
    QFETCH(QString, digits);
    QCOMPARE(SoNumerosStr(text), digits);
}

// The fill is tabled in tst_textrules; one row shows Ajusta is that fill.
void tst_HostStrings::ajusta()
{
    QCOMPARE(Ajusta(QStringLiteral(" 123 "), 5), QStringLiteral("00123"));
}

void tst_HostStrings::cpfOk_data()
{
    QTest::addColumn<QString>("cpf");
    QTest::addColumn<bool>("valid");

    // Published examples of valid numbers.
    QTest::newRow("529.982.247-25") << QStringLiteral("52998224725") << true;
    QTest::newRow("111.444.777-35") << QStringLiteral("11144477735") << true;
    QTest::newRow("123.456.789-09") << QStringLiteral("12345678909") << true;
    QTest::newRow("987.654.321-00 (both digits zero)") << QStringLiteral("98765432100") << true;
    QTest::newRow("000.000.001-91 (leading zeros)") << QStringLiteral("00000000191") << true;

    QTest::newRow("check digits swapped") << QStringLiteral("52998224752") << false;
    QTest::newRow("second check digit wrong") << QStringLiteral("11144477736") << false;
    QTest::newRow("ten digits") << QStringLiteral("5299822472") << false;
    QTest::newRow("twelve digits") << QStringLiteral("529982247250") << false;
    QTest::newRow("valid number with a leading zero") << QStringLiteral("052998224725") << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("punctuation") << QStringLiteral("529.982.247-25") << false;
    QTest::newRow("surrounding blank") << QStringLiteral(" 52998224725") << false;
    QTest::newRow("letter in place of a digit") << QStringLiteral("5299822472a") << false;
    QTest::newRow("arabic-indic digits")
        << QStringLiteral("\u0665\u0662\u0669\u0669\u0668\u0662\u0662\u0664\u0667\u0662\u0665")
        << false;
    for (char digit = '0'; digit <= '9'; ++digit) {
        const QString same(11, QLatin1Char(digit));
        QTest::newRow(qPrintable(QStringLiteral("same digits ") + same)) << same << false;
    }
}

void tst_HostStrings::cpfOk()
{
    QFETCH(QString, cpf);
    QFETCH(bool, valid);
    QCOMPARE(CPFOk(cpf), valid);
}

void tst_HostStrings::cpfOneDigitChanged_data()
{
    QTest::addColumn<QString>("cpf");
    // For these two numbers no single changed digit gives another valid number, so every
    // change must be caught: a wrong weight or remainder rule lets some through.
    QTest::newRow("529.982.247-25") << QStringLiteral("52998224725");
    QTest::newRow("111.444.777-35") << QStringLiteral("11144477735");
}

void tst_HostStrings::cpfOneDigitChanged()
{
    QFETCH(QString, cpf);
    QVERIFY(CPFOk(cpf));
    for (int position = 0; position < cpf.size(); ++position) {
        for (char digit = '0'; digit <= '9'; ++digit) {
            if (cpf.at(position) == QLatin1Char(digit))
                continue;
            QString changed = cpf;
            changed[position] = QLatin1Char(digit);
            QVERIFY2(!CPFOk(changed), qPrintable(changed));
        }
    }
}

QTEST_MAIN(tst_HostStrings)
#include "tst_hoststrings.moc"
