#include "../client/FormKeys.h"
#include "../client/FormTestBackend.h"
#include "client/Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "toolkit/MemTable.h"
#include "toolkit/TextRules.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

// Strange input the way a site produces it: every field full, characters the system cannot
// hold, quotes in the parameters file, folders that cannot be written. Each ends in a clear
// message or a clean refusal, and the database holds what was meant to be saved.
class TstEntradaHostil : public FormTestBackend
{
    Q_OBJECT

public:
    using FormTestBackend::FormTestBackend;

private slots:
    void camposCheiosEEstranhos();
    void aspasNoArquivoDeParametros();
    void pastasSemEscrita();
};

namespace {

using E = CadConsEdicao;

// What a keyboard can throw at a field besides its own characters.
const QString kHostil = QStringLiteral("<&'\"\x01\t\x7f\u0141\u00e9\u20ac%s;--");

void criaArquivo(const QString &caminho)
{
    QDir(caminho).removeRecursively();
    QFile arquivo(caminho);
    if (arquivo.open(QIODevice::WriteOnly))
        arquivo.close();
}

} // namespace

void TstEntradaHostil::camposCheiosEEstranhos()
{
    auto form = abre();
    // Each text field gets its hostile characters, then far more than it holds.
    const struct
    {
        int campo;
        int maximo;
        QChar enche;
    } campos[] = {{2, 50, u'n'}, {5, 10, u'r'},  {6, 50, u'e'},  {11, 50, u'a'},
                  {12, 5, u'1'}, {13, 50, u'c'}, {18, 250, u'p'}};
    for (const auto &c : campos) {
        digita(*form, c.campo, kHostil + QString(c.maximo + 20, c.enche));
        const QString texto = form->campo(c.campo)->caption();
        QCOMPARE(texto.size(), c.maximo);
        QVERIFY2(kvt::text::fitsCp1252(texto), qPrintable(texto));
        for (const QChar proibido : {u'<', u'&', u'\'', u'"', u'\x01', u'\t', u'%', u';', u'-'})
            QVERIFY2(!texto.contains(proibido), qPrintable(texto));
    }
    digita(*form, 3, QStringLiteral("31129999") + kHostil);
    digita(*form, 4, QStringLiteral("5299822472599") + kHostil);
    digita(*form, 7, QStringLiteral("11") + kHostil + QStringLiteral("999999999"));
    QCOMPARE(form->campo(cadcons::Cpf)->caption(), QStringLiteral("52998224725"));
    QCOMPARE(form->campo(cadcons::Telefone)->caption(), QStringLiteral("11999999999"));
    // A birth date in the future is refused with its message.
    m_mensagens.clear();
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Data de nascimento inválida.")});
    digita(*form, 3, QStringLiteral("01011980"));
    m_mensagens.clear();
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});

    const QVariantMap linha =
        consumidor(QStringLiteral("1"), ajusta21(QStringLiteral("52998224725")));
    QCOMPARE(linha.value(QStringLiteral("NMCONSUMIDOR")).toString(),
             form->campo(cadcons::NmConsumidor)->caption());
    QCOMPARE(linha.value(QStringLiteral("DSREFERENDECONS")).toString(),
             form->campo(cadcons::Referencia)->caption());
    QCOMPARE(linha.value(QStringLiteral("DSEMAILCONS")).toString(),
             form->campo(cadcons::Email)->caption());
    QCOMPARE(linha.value(QStringLiteral("NRENDECONS")).toString(),
             form->campo(cadcons::Numero)->caption());
}

void TstEntradaHostil::aspasNoArquivoDeParametros()
{
    // The file's client code and schema text hold quotes; they travel as values, never as SQL.
    const QString arquivo = m_host->filePath(QStringLiteral("PARAMETROSZET.CDS"));
    kvt::MemTable parametros;
    parametros.loadFromFile(arquivo);
    parametros.open();
    parametros.first();
    parametros.setFieldValue(QStringLiteral("CDCLIENTE"), QStringLiteral("1' OR '1'='1"));
    parametros.setFieldValue(QStringLiteral("IDESQUEMA"), QStringLiteral("x'); DROP TABLE X;--"));
    parametros.post();
    parametros.saveToFile(arquivo);

    const QList<QStringList> antes = consumidorSnapshot();
    auto form = abre({}, QStringLiteral("NOVO"), QString());
    QCOMPARE(form->edicao().estado.stCdCliente, QStringLiteral("1' OR '1'='1"));
    digita(*form, 2, QStringLiteral("quote"));
    digita(*form, 4, QStringLiteral("12345678909"));
    digita(*form, 7, QStringLiteral("11912121212"));
    digita(*form, 11, QStringLiteral("rua"));
    digita(*form, 12, QStringLiteral("1"));
    tecla(*form, E::VK_F2);
    // ANA holds this CPF under client "1" only: the quoted client has no such consumer.
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Operação realizada com sucesso.")});
    QCOMPARE(consumidorSnapshot().size(), antes.size() + 1);
    QCOMPARE(consumidor(QStringLiteral("1' OR '1'='1"), ajusta21(QStringLiteral("12345678909")))
                 .value(QStringLiteral("NMCONSUMIDOR"))
                 .toString(),
             QStringLiteral("quote"));
}

void TstEntradaHostil::pastasSemEscrita()
{
    // Both folders the screen writes to are files: the postal-code log and the cache.
    criaArquivo(m_host->filePath(QStringLiteral("dados")));
    criaArquivo(m_host->filePath(QStringLiteral("Dados")));
    auto form = abre();
    // A postal code the table does not know goes to the web look-up, which logs first: a log
    // that cannot be written is told at once, and the postal code stays current.
    digita(*form, 1, QStringLiteral("99999999"));
    tecla(*form, E::VK_RETURN);
    QCOMPARE(m_mensagens.size(), 1);
    QVERIFY2(m_mensagens.first().startsWith(QLatin1String("ERROR ")) &&
                 m_mensagens.first().contains(QLatin1String("logCep")),
             qPrintable(m_mensagens.first()));
    QCOMPARE(form->edicao().inLblAtiv, 1);
    m_mensagens.clear();
    digita(*form, 2, QStringLiteral("sem pasta"));
    digita(*form, 7, QStringLiteral("11934343434"));
    digita(*form, 11, QStringLiteral("rua"));
    digita(*form, 12, QStringLiteral("1"));
    digita(*form, 15, QStringLiteral("sp"));
    digita(*form, 16, QStringLiteral("1"));
    tecla(*form, E::VK_F2);
    QCOMPARE(m_mensagens.size(), 2);
    QCOMPARE(m_mensagens.at(0), QStringLiteral("0 Operação realizada com sucesso."));
    QVERIFY2(m_mensagens.at(1).contains(QLatin1String("Kvt_PaisEstado.cds")),
             qPrintable(m_mensagens.at(1)));
    QCOMPARE(form->edicao().estado.stResult, QStringLiteral("11934343434"));
    QVERIFY(!consumidor(QStringLiteral("1"), ajusta21(QStringLiteral("11934343434"))).isEmpty());
}

KVT_FORM_TEST_MAIN(TstEntradaHostil)
#include "tst_entradahostil.moc"
