#include "FormKeys.h"
#include "FormTestBackend.h"

#include "client/Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/Dispatch.h"
#include "toolkit/Exceptions.h"
#include "toolkit/TouchButton.h"

#include <QApplication>
#include <QDate>

// The field checks and look-ups of the screen, driven by keys, once per database backend.
class TstValidacao : public FormTestBackend
{
    Q_OBJECT

public:
    using FormTestBackend::FormTestBackend;

private slots:
    void cpf();
    void identidadeDuplicada();
    void telefoneDuplicado();
    void datas();
    void consultasAoSair();
};

namespace {

const QString kAna = QStringLiteral("000000000012345678909");
const QString kCpfNoCodigo = QStringLiteral("000000000098765432100");

} // namespace

void TstValidacao::cpf()
{
    // Editing the holder of the CPF: no duplicate.
    auto edicao = abre(kAna);
    QCOMPARE(edicao->campo(cadcons::Cpf)->caption(), QStringLiteral("12345678909"));
    edicao->Vd_Cpf();
    QVERIFY(m_mensagens.isEmpty());

    // A new consumer with that CPF: the holder of the same client is named, the field emptied.
    auto novo = abre();
    novo->campo(cadcons::Cpf)->setCaption(QStringLiteral("12345678909"));
    novo->edicao().inLblAtiv = 2;
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->Vd_Cpf());
    QCOMPARE(m_mensagens,
             QStringList{QStringLiteral("0 Número de Cpf já cadastrado para o consumidor ANA.")});
    QCOMPARE(novo->campo(cadcons::Cpf)->caption(), QString());
    QCOMPARE(novo->edicao().inLblAtiv, 4);

    // A name another program stored outside Windows-1252 reaches the message whole.
    m_mensagens.clear();
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NMCONSUMIDOR = '\u0141ukasz' WHERE "
                        "NMCONSUMIDOR = 'ANA'"));
    novo->campo(cadcons::Cpf)->setCaption(QStringLiteral("12345678909"));
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->Vd_Cpf());
    QCOMPARE(m_mensagens, QStringList{QStringLiteral(
                              "0 Número de Cpf já cadastrado para o consumidor \u0141ukasz.")});
    QCOMPARE(abre(kAna)->campo(cadcons::NmConsumidor)->caption(), QStringLiteral("\u0141ukasz"));

    m_mensagens.clear();
    novo->campo(cadcons::Cpf)->setCaption(QStringLiteral("12345678900"));
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, novo->Vd_Cpf());
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Número de Cpf inválido.")});
}

void TstValidacao::identidadeDuplicada()
{
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRRGCONSUMID = '777' "
                        "WHERE NMCONSUMIDOR = 'PELO TELEFONE'"));
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRRGCONSUMID = '555' WHERE NMCONSUMIDOR = 'ANA'"));
    const QString duplicado = QStringLiteral(
        "2 Número de identidade já cadastrado para o consumidor \" PELO TELEFONE \".");

    // In edit mode the list is filtered down to the consumer being edited.
    auto edicao = abre(kAna);
    QCOMPARE(edicao->edicao().estado.adqPesqConsumidor->recordCount(), 1);
    preencheEConfirma(*edicao, 5, QStringLiteral("555"));
    QCOMPARE(edicao->edicao().inLblAtiv, 6);
    preencheEConfirma(*edicao, 5, QStringLiteral("777"));
    QCOMPARE(m_mensagens, QStringList{duplicado});
    QCOMPARE(edicao->campo(cadcons::Identidade)->caption(), QString());
    QCOMPARE(edicao->edicao().inLblAtiv, 5);

    // After a phone check the list holds only that phone's consumers.
    m_mensagens.clear();
    auto outro = abre(kCpfNoCodigo);
    preencheEConfirma(*outro, 7, QStringLiteral("1133334444"));
    QVERIFY2(m_mensagens.isEmpty(), qPrintable(m_mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(outro->edicao().inLblAtiv, 8);
    QVERIFY(outro->edicao().estado.adqPesqConsumidor->filtered());
    QCOMPARE(outro->edicao().estado.adqPesqConsumidor->recordCount(), 1);
    preencheEConfirma(*outro, 5, QStringLiteral("777"));
    QCOMPARE(m_mensagens, QStringList{duplicado});
}

void TstValidacao::telefoneDuplicado()
{
    // The field shows the mask, the row holds digits only.
    auto novo = abre();
    preencheEConfirma(*novo, 8, QStringLiteral("11987654321"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral(
                              "0 Número de telefone já cadastrado para o consumidor \" ANA \".")});
    QCOMPARE(novo->edicao().inLblAtiv, 8);
    QCOMPARE(novo->campo(cadcons::Telefone2)->caption(), QStringLiteral("(11)987654321"));

    // The consumer being edited may keep his own phone.
    m_mensagens.clear();
    auto edicao = abre(kAna);
    preencheEConfirma(*edicao, 7, QStringLiteral("11987654321"));
    QVERIFY(m_mensagens.isEmpty());
    QCOMPARE(edicao->edicao().inLblAtiv, 8);

    // Another consumer with it too is named, though the edited one is found first.
    exec(QStringLiteral("UPDATE CONSUMIDOR SET NRTELECONS = '11987654321' "
                        "WHERE NMCONSUMIDOR = 'CPF SO NO CODIGO'"));
    preencheEConfirma(*abre(kAna), 7, QStringLiteral("11987654321"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("0 Número de telefone já cadastrado para o "
                                                     "consumidor \" CPF SO NO CODIGO \".")});
}

void TstValidacao::datas()
{
    auto form = abre();
    const auto data = [](int dias) {
        return QDate::currentDate().addDays(dias).toString(QStringLiteral("ddMMyyyy"));
    };
    const QString invalida = QStringLiteral("3 Data de nascimento inválida.");
    const struct
    {
        QString digitos;
        QString mensagem;
    } casos[] = {
        {data(-1), {}},
        {QStringLiteral("01011900"), {}},
        {data(0), invalida},
        {QStringLiteral("32012000"), invalida},
        {QStringLiteral("3112189"), invalida},
        {QStringLiteral("31121899"),
         QStringLiteral("3 Não é Possivel cadastrar um consumidor com a Data de Nascimento menor "
                        "que 01/01/1900")},
    };
    for (const auto &caso : casos) {
        m_mensagens.clear();
        preencheEConfirma(*form, 3, caso.digitos);
        if (caso.mensagem.isEmpty()) {
            QVERIFY2(m_mensagens.isEmpty(), qPrintable(caso.digitos));
            QCOMPARE(form->edicao().inLblAtiv, 4);
            QCOMPARE(form->campo(cadcons::DtNasc)->caption().size(), 10);
        } else {
            QCOMPARE(m_mensagens, QStringList{caso.mensagem});
            QCOMPARE(form->edicao().inLblAtiv, 3);
            QCOMPARE(form->campo(cadcons::DtNasc)->caption(), QString());
        }
    }
}

void TstValidacao::consultasAoSair()
{
    auto form = abre();
    // The postal code fills the address from the system's own table.
    preencheEConfirma(*form, 1, QStringLiteral("01001000"));
    QCOMPARE(form->edicao().inLblAtiv, 2);
    QCOMPARE(form->campo(cadcons::Endereco)->caption(), QStringLiteral("Praca da Se"));
    QCOMPARE(form->campo(cadcons::Bairro)->caption(), QStringLiteral("0000000001"));
    QCOMPARE(form->campo(cadcons::NmBairro)->caption(), QStringLiteral("Centro"));

    // Codes typed short are found at their width; an unknown one keeps the operator there.
    preencheEConfirma(*form, 16, QStringLiteral("2"));
    QCOMPARE(form->campo(cadcons::CodMuni)->caption(), QStringLiteral("0002"));
    QCOMPARE(form->campo(cadcons::NmMuni)->caption(), QStringLiteral("Campinas"));
    QCOMPARE(form->edicao().inLblAtiv, 17);
    preencheEConfirma(*form, 17, QStringLiteral("1"));
    QCOMPARE(form->campo(cadcons::NmBairro)->caption(), QStringLiteral("Cambui"));
    preencheEConfirma(*form, 15, QStringLiteral("xx"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Estado não cadastrado.")});
    QCOMPARE(form->edicao().inLblAtiv, 15);
    QCOMPARE(form->campo(cadcons::Estado)->caption(), QStringLiteral("xx"));
    m_mensagens.clear();
    preencheEConfirma(*form, 14, QStringLiteral("9"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 País não cadastrado.")});
    QCOMPARE(form->edicao().inLblAtiv, 14);

    // A branch that refuses postal codes it does not serve.
    m_mensagens.clear();
    form->edicao().estado.stIdValidaAten = QStringLiteral("C");
    preencheEConfirma(*form, 1, QStringLiteral("20000000"));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("3 Filial não atende o CEP informado.")});
    QCOMPARE(form->edicao().inLblAtiv, 1);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return runOverBothLists<TstValidacao>(argc, argv);
}

#include "tst_validacao.moc"
