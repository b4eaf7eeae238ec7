#include "toolkit/TextRules.h"

#include <QTest>

using namespace kvt;

// The rules every layer shares. The host's string functions (tst_hoststrings) cover the blank
// rule and the CPF check through their entry points; the zero fill is tabled here only, the
// host's Ajusta and the service's AjustaKvt each check one row through their own layer.
class tst_TextRules : public QObject
{
    Q_OBJECT

private slots:
    void windows1252_data();
    void windows1252();
    void everyByteSurvivesARoundTrip();
    void fitsCp1252_data();
    void fitsCp1252();
    void asciiCase_data();
    void asciiCase();
    void fieldNamesCompareByAsciiCase();
    void cpfCheckDigits_data();
    void cpfCheckDigits();
    void zeroFill_data();
    void zeroFill();
};

void tst_TextRules::windows1252_data()
{
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("unicode");

    QTest::newRow("ASCII") << 0x41 << 0x41;
    QTest::newRow("euro, first of the high table") << 0x80 << 0x20AC;
    QTest::newRow("S caron") << 0x8A << 0x0160;
    QTest::newRow("left double quote") << 0x93 << 0x201C;
    QTest::newRow("Y diaeresis, last of the high table") << 0x9F << 0x0178;
    QTest::newRow("unassigned byte kept as its control character") << 0x81 << 0x0081;
    QTest::newRow("no-break space, Latin-1 from here") << 0xA0 << 0x00A0;
    QTest::newRow("c cedilla") << 0xE7 << 0x00E7;
    QTest::newRow("y diaeresis") << 0xFF << 0x00FF;
}

void tst_TextRules::windows1252()
{
    QFETCH(int, byte);
    QFETCH(int, unicode);
    QCOMPARE(text::encode1252(char16_t(unicode)), byte);
    const char raw = char(byte);
    QCOMPARE(text::decode1252(QByteArrayView(&raw, 1)), QString(QChar(char16_t(unicode))));
}

void tst_TextRules::everyByteSurvivesARoundTrip()
{
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString decoded = text::decode1252(all);
    QCOMPARE(decoded.size(), 256);
    for (int b = 0; b < 256; ++b)
        QCOMPARE(text::encode1252(decoded.at(b).unicode()), b);
}

void tst_TextRules::fitsCp1252_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");

    QTest::newRow("empty") << QString() << true;
    QTest::newRow("accents and the euro") << QStringLiteral("Ação € Ž œ") << true;
    QTest::newRow("Polish L with stroke") << QStringLiteral("Łukasz") << false;
    QTest::newRow("U+0080, whose byte holds the euro") << QStringLiteral("a\u0080") << false;
    QTest::newRow("A macron, just past Latin-1") << QStringLiteral("\u0100") << false;
    QTest::newRow("snowman at the end") << QStringLiteral("neve ☃") << false;
}

void tst_TextRules::fitsCp1252()
{
    QFETCH(QString, text);
    QTEST(text::fitsCp1252(text), "fits");
}

void tst_TextRules::asciiCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("upper");
    QTest::addColumn<QString>("lower");

    QTest::newRow("letters") << QStringLiteral("Rua das Flores") << QStringLiteral("RUA DAS FLORES")
                             << QStringLiteral("rua das flores");
    QTest::newRow("accented letters keep their case")
        << QStringLiteral("João Ça é") << QStringLiteral("JOãO ÇA é")
        << QStringLiteral("joão Ça é");
    QTest::newRow("neighbours of the letter ranges")
        << QStringLiteral("@[`{Zz") << QStringLiteral("@[`{ZZ") << QStringLiteral("@[`{zz");
    QTest::newRow("empty") << QString() << QString() << QString();
}

void tst_TextRules::asciiCase()
{
    QFETCH(QString, text);
    QTEST(text::asciiUpper(text), "upper");
    QTEST(text::asciiLower(text), "lower");
    QFETCH(QString, upper);
    QFETCH(QString, lower);
    QVERIFY(text::equalIgnoringAsciiCase(upper, lower));
}

void tst_TextRules::fieldNamesCompareByAsciiCase()
{
    QVERIFY(text::equalIgnoringAsciiCase(u"nmConsumidor", u"NMCONSUMIDOR"));
    QVERIFY(!text::equalIgnoringAsciiCase(u"AÇÃO", u"ação"));
    QVERIFY(!text::equalIgnoringAsciiCase(u"CDPAIS", u"CDPAIS_"));
}

void tst_TextRules::cpfCheckDigits_data()
{
    // "masked": what a list shows of the stored text `nine` + `digits`.
    QTest::addColumn<QString>("nine");
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QString>("masked");

    const QString none = QStringLiteral("***.***.***-**");
    QTest::newRow("529.982.247") << "529982247"
                                 << "25"
                                 << "***.982.247-**";
    QTest::newRow("111.444.777") << "111444777"
                                 << "35"
                                 << "***.444.777-**";
    QTest::newRow("123.456.789") << "123456789"
                                 << "09"
                                 << "***.456.789-**";
    QTest::newRow("987.654.321, both digits zero") << "987654321"
                                                   << "00"
                                                   << "***.654.321-**";
    QTest::newRow("leading zeros") << "000000001"
                                   << "91"
                                   << "***.000.001-**";
    QTest::newRow("eight digits") << "12345678"
                                  << "" << none;
    QTest::newRow("ten digits") << "1234567890"
                                << "" << none;
    QTest::newRow("not digits") << "12345678a"
                                << "" << none;
    QTest::newRow("arabic-indic digits")
        << QStringLiteral("\u0661\u0662\u0663\u0664\u0665\u0666\u0667\u0668\u0669") << "" << none;
    QTest::newRow("stored with its punctuation") << "123.456.789-09"
                                                 << ""
                                                 << "***.456.789-**";
    QTest::newRow("punctuated, a digit short") << "123.456.789-0"
                                               << "" << none;
    QTest::newRow("four digits") << "1234"
                                 << "" << none;
    QTest::newRow("blank") << "  "
                           << ""
                           << "";
}

void tst_TextRules::cpfCheckDigits()
{
    QFETCH(QString, nine);
    QFETCH(QString, digits);
    QTEST(text::cpfCheckDigits(nine), "digits");
    QTEST(text::cpfMasked(nine + digits), "masked");
}

void tst_TextRules::zeroFill_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("filled") << "123" << 5 << "00123";
    QTest::newRow("blanks around") << " 123 " << 5 << "00123";
    QTest::newRow("empty stays") << "" << 21 << "";
    QTest::newRow("blank stays") << "   " << 21 << "   ";
    QTest::newRow("longer unchanged") << "123456" << 5 << "123456";
    QTest::newRow("longer with blanks comes trimmed") << " 123456 " << 5 << "123456";
    QTest::newRow("width reached after trim keeps blanks") << " 12345 " << 5 << " 12345 ";
    QTest::newRow("tab is a blank") << "\t7" << 4 << "0007";
    QTest::newRow("control character is a blank") << QStringLiteral("\x01") + "12" << 4 << "0012";
    QTest::newRow("no-break space is a character")
        << QStringLiteral("\u00a012") << 4 << QStringLiteral("0\u00a012");
    QTest::newRow("cpf as consumer code") << "12345678909" << 21
                                          << "0000000000"
                                             "12345678909";
}

void tst_TextRules::zeroFill()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QTEST(text::zeroFill(text, width), "expected");
}

QTEST_MAIN(tst_TextRules)
#include "tst_textrules.moc"
