#include "client/Cli_Kvt04410.h"

#include <QTest>

// The telephone mask the form applies to its three telephone fields.
class TstMascara : public QObject
{
    Q_OBJECT

private slots:
    void telefone_data();
    void telefone();
};

// clang-format off
void TstMascara::telefone_data()
{
    QTest::addColumn<QString>("texto");
    QTest::addColumn<QString>("esperado");
    QTest::addColumn<QString>("remascarado");
    QTest::newRow("vazio") << "" << "" << "";
    QTest::newRow("onze digitos") << "11987654321" << "(11)987654321" << "(11)987654321";
    QTest::newRow("dez digitos") << "1133334444" << "(11)33334444" << "(11)33334444";
    QTest::newRow("ja mascarado") << "(11)987654321" << "(11)987654321" << "(11)987654321";
    QTest::newRow("ja mascarado, dez") << "(11)33334444" << "(11)33334444" << "(11)33334444";
    // A short number grows one mask character per pass.
    QTest::newRow("tres digitos") << "119" << "(119" << "(11)9";
    QTest::newRow("um digito") << "5" << "(5" << "(5";
    QTest::newRow("parentese a mais") << "((11)987654321" << "(11)987654321" << "(11)987654321";
    QTest::newRow("letras ficam") << "ab" << "ab" << "ab";
}
// clang-format on

void TstMascara::telefone()
{
    QFETCH(QString, texto);
    QFETCH(QString, esperado);
    QFETCH(QString, remascarado);
    const QString mascara = QStringLiteral("(99)999999999");
    const QString resultado = Mascara(texto, mascara);
    QCOMPARE(resultado, esperado);
    // The fields are masked again on every touch and check.
    QCOMPARE(Mascara(resultado, mascara), remascarado);
}

QTEST_MAIN(TstMascara)
#include "tst_mascara.moc"
