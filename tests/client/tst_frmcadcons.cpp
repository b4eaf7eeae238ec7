#include "client/Cli_Kvt04410.h"
#include "host/ScreenServices.h"
#include "host/TMessages.h"
#include "toolkit/Colors.h"
#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/PictureButton.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

// The form as built: controls, tables, messages and the keys it must not hand to QDialog.
class TstFrmCadCons : public QObject
{
    Q_OBJECT

private slots:
    void campos_data();
    void campos();
    void nomesExibidos_data();
    void nomesExibidos();
    void mudaCor_data();
    void mudaCor();
    void teclas_data();
    void teclas();
    void botoesAcao_data();
    void botoesAcao();
    void estadoInicial();
    void mensagens_data();
    void mensagens();
    void tiposVenda();
    void colunasProjeto_data();
    void colunasProjeto();
    void nenhumControleRecebeFoco();
    void teclasNaoFechamDialogo_data();
    void teclasNaoFechamDialogo();
    void sairFechaComSair();
    void escapeSai();
    void tecladoNaTela();
    void teclasFisicas();
    void altF4CapturaSemFechar();
};

namespace {

const QColor kCorBorda = kvt::tcolor(15391193);

template <class W> W *filho(const QObject &form, const QString &nome)
{
    return form.findChild<W *>(nome);
}

} // namespace

// clang-format off
void TstFrmCadCons::campos_data()
{
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("campo");
    QTest::addColumn<QString>("rotulo");
    QTest::addColumn<QString>("legenda");
    QTest::addColumn<QString>("borda");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QString>("pai");

    const QString painel = QStringLiteral("panConsumidor");
    const QString form = QStringLiteral("frmCadCons");
    QTest::newRow("1") << 1 << "bldCep" << "lblCEP" << "CEP" << "blsBorda1"
                       << QRect(47, 8, 133, 26) << painel;
    QTest::newRow("2") << 2 << "edtNmConsumidor" << "lblNome" << "Consumidor*" << "blsBorda2"
                       << QRect(266, 8, 292, 26) << painel;
    QTest::newRow("3") << 3 << "edtDtNasc" << "lblDataNasc" << "Data Nascimento" << "blsBorda3"
                       << QRect(673, 8, 95, 26) << painel;
    QTest::newRow("4") << 4 << "edtCpf" << "lblCPF" << "CPF" << "blsBorda4"
                       << QRect(47, 44, 133, 26) << painel;
    QTest::newRow("5") << 5 << "bldIdentidade" << "lblIdentidade" << "RG" << "blsBorda5"
                       << QRect(213, 44, 139, 26) << painel;
    QTest::newRow("6") << 6 << "bldEmail" << "lblEmail" << "E-mail" << "blsBorda6"
                       << QRect(404, 44, 206, 25) << painel;
    QTest::newRow("7") << 7 << "bldTelefone" << "lblTel" << "Residencial /\nNº Quarto*"
                       << "blsBorda7" << QRect(95, 80, 127, 26) << painel;
    QTest::newRow("8") << 8 << "edtTelefone2" << "lblTel2" << "Comercial" << "blsBorda8"
                       << QRect(298, 80, 127, 26) << painel;
    QTest::newRow("9") << 9 << "edtCelular" << "lblCel" << "Celular" << "blsBorda9"
                       << QRect(483, 80, 127, 26) << painel;
    QTest::newRow("10") << 10 << "edtTipoVenda" << "lblTipoVenda" << "Tipo de Venda"
                        << "blsBorda19" << QRect(632, 80, 135, 26) << painel;
    QTest::newRow("11") << 11 << "edtEndereco" << "lblEndereco" << "Endereço*" << "blsBorda10"
                        << QRect(88, 148, 497, 26) << form;
    QTest::newRow("12") << 12 << "edtNumero" << "LabelNumero" << "Número*" << "blsBorda18"
                        << QRect(658, 147, 107, 26) << form;
    QTest::newRow("13") << 13 << "bldComplemento" << "lblCompl" << "Compl" << "blsBorda11"
                        << QRect(88, 184, 156, 26) << form;
    QTest::newRow("14") << 14 << "edtCodPais" << "lblPais" << "País" << "blsBorda12"
                        << QRect(370, 184, 60, 26) << form;
    QTest::newRow("15") << 15 << "edtEstado" << "lblEstado" << "Estado" << "blsBorda13"
                        << QRect(144, 220, 100, 26) << form;
    QTest::newRow("16") << 16 << "edtCodMuni" << "lblMunicipio" << "Município" << "blsBorda14"
                        << QRect(370, 220, 60, 26) << form;
    QTest::newRow("17") << 17 << "edtBairro" << "lblBairro" << "Bairro" << "blsBorda15"
                        << QRect(144, 256, 156, 26) << form;
    QTest::newRow("18") << 18 << "bldReferencia" << "lblReferencia" << "Referência"
                        << "blsBorda16" << QRect(88, 292, 680, 26) << form;
}
// clang-format on

void TstFrmCadCons::campos()
{
    QFETCH(int, numero);
    QFETCH(QString, campo);
    QFETCH(QString, rotulo);
    QFETCH(QString, legenda);
    QFETCH(QString, borda);
    QFETCH(QRect, rect);
    QFETCH(QString, pai);

    TfrmCadCons form;
    auto *controle = filho<kvt::TouchButton>(form, campo);
    QVERIFY(controle);
    QCOMPARE(controle->tag(), numero);
    QCOMPARE(controle->property("kvtDumpOrder").toInt(), numero);
    QCOMPARE(controle->geometry(), rect);
    QCOMPARE(controle->parentWidget()->objectName(), pai);
    QCOMPARE(controle->caption(), QString());
    QCOMPARE(controle->font().pixelSize(), numero == 10 ? 12 : 15);
    QVERIFY(controle->font().bold());
    QCOMPARE(form.campo(numero), controle);

    auto *label = filho<QLabel>(form, rotulo);
    QVERIFY(label);
    QCOMPARE(label->text(), legenda);
    QCOMPARE(label->parentWidget()->objectName(), pai);
    QCOMPARE(label->font().pixelSize(), 13);

    auto *moldura = filho<QWidget>(form, borda);
    QVERIFY(moldura);
    QCOMPARE(form.borda(numero), moldura);
    QCOMPARE(moldura->geometry(), rect.adjusted(-2, -2, 2, 2));
    QCOMPARE(moldura->parentWidget()->objectName(), pai);
    // Field 8's border is a button without a handler; all the others are shapes.
    QCOMPARE(qobject_cast<kvt::TouchButton *>(moldura) != nullptr, numero == 8);
    QCOMPARE(qobject_cast<kvt::RoundShape *>(moldura) != nullptr, numero != 8);
}

// clang-format off
void TstFrmCadCons::nomesExibidos_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("borda");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("ordemDump");
    QTest::newRow("pais") << "bldNmPais" << "blsBordaNMPais" << QRect(442, 184, 326, 26) << 19;
    QTest::newRow("muni") << "bldNmMuni" << "blsBordaNMMuni" << QRect(442, 220, 326, 26) << 20;
    QTest::newRow("bairro") << "bldNmBairro" << "blsBordaNMBairro" << QRect(316, 256, 452, 26)
                            << 21;
}
// clang-format on

void TstFrmCadCons::nomesExibidos()
{
    QFETCH(QString, nome);
    QFETCH(QString, borda);
    QFETCH(QRect, rect);
    QFETCH(int, ordemDump);

    TfrmCadCons form;
    auto *controle = filho<kvt::TouchButton>(form, nome);
    QVERIFY(controle);
    QCOMPARE(controle->tag(), 0);
    QCOMPARE(controle->property("kvtDumpOrder").toInt(), ordemDump);
    QCOMPARE(controle->geometry(), rect);
    auto *moldura = filho<kvt::RoundShape>(form, borda);
    QVERIFY(moldura);
    QCOMPARE(moldura->geometry(), rect.adjusted(-2, -2, 2, 2));
    QCOMPARE(moldura->brushColor(), kCorBorda);
}

// clang-format off
void TstFrmCadCons::mudaCor_data()
{
    QTest::addColumn<int>("numero");
    QTest::addColumn<QString>("borda");
    QTest::newRow("1") << 1 << "blsBorda1";
    QTest::newRow("8, a button") << 8 << "blsBorda8";
    QTest::newRow("10") << 10 << "blsBorda19";
    QTest::newRow("12") << 12 << "blsBorda18";
    QTest::newRow("18") << 18 << "blsBorda16";
}
// clang-format on

void TstFrmCadCons::mudaCor()
{
    QFETCH(int, numero);
    QFETCH(QString, borda);

    const auto cor = [](QWidget *w) {
        if (auto *shape = qobject_cast<kvt::RoundShape *>(w))
            return shape->brushColor();
        return qobject_cast<kvt::TouchButton *>(w)->faceColor();
    };

    TfrmCadCons form;
    // Start from another current field so the old highlight has to go.
    form.inLblAtiv = numero == 1 ? 2 : 1;
    form.mudaCor();
    form.inLblAtiv = numero;
    form.mudaCor();
    QCOMPARE(cor(filho<QWidget>(form, borda)), QColor(Qt::black));
    for (int outro = 1; outro <= TfrmCadCons::kNumCampos; ++outro) {
        if (outro != numero)
            QCOMPARE(cor(form.borda(outro)), kCorBorda);
    }
    QCOMPARE(form.property("inLblAtiv").toInt(), numero);
}

// clang-format off
void TstFrmCadCons::teclas_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("legenda");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<int>("fonte");
    QTest::addColumn<QString>("pai");

    const QString teclado = QStringLiteral("panTeclado");
    QTest::newRow("1") << "sbt1" << "1" << QRect(3, 1, 50, 44) << 19 << teclado;
    QTest::newRow("outros") << "sbtOutros" << "Teclas\nEspeciais" << QRect(513, 1, 99, 44) << 13
                            << teclado;
    QTest::newRow("backspace") << "sbtBackSpace" << "Backspace" << QRect(513, 46, 99, 44) << 16
                               << teclado;
    QTest::newRow("cedilha") << "sbtCCdil" << "ç" << QRect(462, 91, 50, 44) << 19 << teclado;
    QTest::newRow("enter") << "sbtEnter" << "Enter" << QRect(513, 91, 99, 134) << 19 << teclado;
    QTest::newRow("sair") << "sbtSair" << "" << QRect(3, 181, 50, 44) << 19 << teclado;
    QTest::newRow("shift") << "sbtShift" << "Shift" << QRect(54, 181, 68, 44) << 16 << teclado;
    QTest::newRow("caps") << "sbtCapsLock" << "Caps Lock" << QRect(274, 181, 85, 44) << 16
                          << teclado;
    QTest::newRow("limpar") << "sbtLimpar" << "" << QRect(411, 181, 50, 44) << 19 << teclado;
    QTest::newRow("arroba") << "sbtArroba" << "@" << QRect(0, 0, 50, 44) << 19 << "panOutros";
}
// clang-format on

void TstFrmCadCons::teclas()
{
    QFETCH(QString, nome);
    QFETCH(QString, legenda);
    QFETCH(QRect, rect);
    QFETCH(int, fonte);
    QFETCH(QString, pai);

    TfrmCadCons form;
    auto *tecla = filho<QAbstractButton>(form, nome);
    QVERIFY(tecla);
    QCOMPARE(tecla->property("caption").toString(), legenda);
    QCOMPARE(tecla->geometry(), rect);
    QCOMPARE(tecla->font().pixelSize(), fonte);
    QCOMPARE(tecla->parentWidget()->objectName(), pai);
}

// clang-format off
void TstFrmCadCons::botoesAcao_data()
{
    QTest::addColumn<QString>("nome");
    QTest::addColumn<QString>("legenda");
    QTest::addColumn<QString>("dica");
    QTest::addColumn<int>("cor");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("pesquisa") << "sbtPesqCons" << "Pesquisa Consumidor\nF3"
                              << "Pesquisa Consumidor" << 2907084 << QRect(660, 355, 110, 65);
    QTest::newRow("digital") << "sbtDigital" << "Capturar Digital\nF4" << "Capturar Digital"
                             << 2907084 << QRect(660, 430, 110, 65);
    QTest::newRow("confirmar") << "sbtConfirmar" << "Confirmar\nF2" << "Confirmar" << 6610210
                               << QRect(660, 505, 110, 65);
}
// clang-format on

void TstFrmCadCons::botoesAcao()
{
    QFETCH(QString, nome);
    QFETCH(QString, legenda);
    QFETCH(QString, dica);
    QFETCH(int, cor);
    QFETCH(QRect, rect);

    TfrmCadCons form;
    auto *botao = filho<kvt::PictureButton>(form, nome);
    QVERIFY(botao);
    QCOMPARE(botao->caption(), legenda);
    QCOMPARE(botao->hint(), dica);
    QCOMPARE(botao->faceColor(), kvt::tcolor(cor));
    QCOMPARE(botao->geometry(), rect);
    QCOMPARE(botao->parentWidget(), &form);
}

void TstFrmCadCons::estadoInicial()
{
    TfrmCadCons form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Cadastro de Consumidor"));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.panConsumidor->geometry(), QRect(10, 12, 778, 115));
    QCOMPARE(form.panTeclado->geometry(), QRect(16, 351, 615, 225));
    QCOMPARE(form.panOutros->geometry(), QRect(3, 1, 508, 43));
    QVERIFY(form.panOutros->isHidden());
    QCOMPARE(form.panTeclado->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(form.lblCodTela->text(), QStringLiteral("KVT04410"));
    QCOMPARE(form.lblCodTela->pos(), QPoint(644, 587));
    for (int numero = 1; numero <= TfrmCadCons::kNumCampos; ++numero)
        QVERIFY(form.campo(numero));
    QVERIFY(!form.campo(0));
    QVERIFY(!form.campo(19));
    QVERIFY(!form.cdsPais.active());
    QVERIFY(!form.cdsTipoVenda.active());
    QVERIFY(!form.adqPesqConsumidor);
}

// clang-format off
void TstFrmCadCons::mensagens_data()
{
    QTest::addColumn<QString>("chave");
    QTest::addColumn<QString>("texto");
    QTest::newRow("CDCUSCLIE_NULL")
        << "CDCUSCLIE_NULL" << " Operação bloqueada. Não há centro de custo cadastrado.";
    QTest::newRow("ESTADO_NCAD") << "ESTADO_NCAD"
                                 << "Não há estado cadastrado para o país informado.";
    QTest::newRow("MUNICIPIO_NCAD") << "MUNICIPIO_NCAD"
                                    << "Não há município cadastrado para o estado informado.";
    QTest::newRow("PAIS_NCAD") << "PAIS_NCAD" << "País não cadastrado.";
    QTest::newRow("BAIRRO_NCAD") << "BAIRRO_NCAD"
                                 << "Não há bairro cadastrado para o município informado.";
    QTest::newRow("NONINF") << "NONINF" << "Nome do consumidor deve ser informado.";
    QTest::newRow("DTINF") << "DTINF" << "Data de nascimento deve ser informada.";
    QTest::newRow("DATA_INV") << "DATA_INV" << "Data de nascimento inválida.";
    QTest::newRow("IDENTIDADEINF") << "IDENTIDADEINF" << "Número de identidade deve ser informado.";
    QTest::newRow("EMAILINF") << "EMAILINF" << "Email deve ser informado.";
    QTest::newRow("TELEFONEINF") << "TELEFONEINF" << "Número de telefone deve ser informado.";
    QTest::newRow("ENDINF") << "ENDINF" << "Endereço deve ser informado.";
    QTest::newRow("CEPINF") << "CEPINF" << "CEP deve ser informado.";
    QTest::newRow("PAISINF") << "PAISINF" << "País deve ser informado.";
    QTest::newRow("ESTADOINF") << "ESTADOINF" << "Estado deve ser informado.";
    QTest::newRow("NUMEROINF") << "NUMEROINF" << "Número deve ser informado.";
    QTest::newRow("MUNIINF") << "MUNIINF" << "Município deve ser informado.";
    QTest::newRow("BAIRROINF") << "BAIRROINF" << "Bairro deve ser informado.";
    QTest::newRow("REFEINF") << "REFEINF" << "Ponto de refêrencia deve ser informado.";
    QTest::newRow("PAIS_NCA") << "PAIS_NCA" << "País não cadastrado.";
    QTest::newRow("DATA_NCAD") << "DATA_NCAD" << "Data de nascimento deve ser informada.";
    QTest::newRow("CPF_NCAD") << "CPF_NCAD" << "Número de Cpf inválido.";
    QTest::newRow("ESTADO_NCAD2") << "ESTADO_NCAD2" << "Estado não cadastrado.";
    QTest::newRow("MUNI_NCAD2") << "MUNI_NCAD2" << "Município não cadastrado.";
    QTest::newRow("BAIRRO_NCAD2") << "BAIRRO_NCAD2" << "Bairro não cadastrado.";
    QTest::newRow("SAIR") << "SAIR" << "Deseja cancelar a operação?";
    QTest::newRow("OPERACAO_OK") << "OPERACAO_OK" << "Operação realizada com sucesso.";
    QTest::newRow("TELEFONE_CAD")
        << "TELEFONE_CAD" << "Número de telefone já cadastrado para o consumidor \" %s \".";
    QTest::newRow("CONS_CAD")
        << "CONS_CAD"
        << "Operação bloqueada. Número de identidade já cadastrado para outro consumidor.";
    QTest::newRow("CPF_INV") << "CPF_INV" << "Cpf inválido.";
    QTest::newRow("CPF_CAD") << "CPF_CAD" << "Número de Cpf já cadastrado para o consumidor %s.";
    QTest::newRow("RG_CAD")
        << "RG_CAD" << "Número de identidade já cadastrado para o consumidor \" %s \".";
    QTest::newRow("FISCAL") << "FISCAL" << "F1 Menu Fiscal";
    QTest::newRow("IDCAD") << "IDCAD" << "Número de identidade já cadastrado.";
    QTest::newRow("RGINF") << "RGINF" << "Número de identidade deve ser informado.";
    QTest::newRow("DATA_MENOR")
        << "DATA_MENOR"
        << "Não é Possivel cadastrar um consumidor com a Data de Nascimento menor que 01/01/1900";
    QTest::newRow("CEPINV") << "CEPINV" << "Filial não atende o CEP informado.";
    QTest::newRow("CEPNINF") << "CEPNINF" << "Número do CEP deve ser informado.";
    QTest::newRow("CONSTELJACAD")
        << "CONSTELJACAD" << "Já existe um consumidor cadastrado com o número de telefone informado.";
}
// clang-format on

void TstFrmCadCons::mensagens()
{
    QFETCH(QString, chave);
    QFETCH(QString, texto);

    TfrmCadCons form;
    QCOMPARE(form.msgPadrao->lines().size(), 39);
    QCOMPARE(form.msgPadrao->Msg(chave), texto);
}

void TstFrmCadCons::tiposVenda()
{
    const QList<QPair<QString, QString>> esperados = {
        {"1", "Débito Consumidor"},
        {"2", "Crédito Pessoal"},
        {"3", "A Vista"},
        {"4", "Débito Consumidor / Crédito Pessoal"},
        {"5", "Débito Consumidor / A Vista"},
        {"6", "Crédito Pessoal / A Vista"},
        {"7", "Todos"},
    };
    QCOMPARE(int(arTipoVenda.size()), esperados.size());
    for (int i = 0; i < esperados.size(); ++i) {
        QCOMPARE(QString::fromLatin1(arTipoVenda[i].cdTipoVenda), esperados[i].first);
        QCOMPARE(QString::fromUtf8(arTipoVenda[i].nmTipoVenda), esperados[i].second);
    }

    TfrmCadCons form;
    form.BuscaTipoVenda();
    // Twice: the list is rebuilt, not appended to.
    form.BuscaTipoVenda();
    QCOMPARE(form.cdsTipoVenda.recordCount(), 7);
    for (int i = 0; i < esperados.size(); ++i)
        QCOMPARE(form.cdsTipoVenda.value(i, 0).toString(), esperados[i].first);
    for (const auto &[codigo, nome] : esperados) {
        QVERIFY(form.cdsTipoVenda.locate({QStringLiteral("CDTIPOVENDA")}, {codigo}));
        QCOMPARE(form.cdsTipoVenda.asString(QStringLiteral("NMTIPOVENDA")), nome);
    }
}

// clang-format off
void TstFrmCadCons::colunasProjeto_data()
{
    // name:size:label[:hidden][:width]; F marks a float column.
    QTest::addColumn<QString>("tabela");
    QTest::addColumn<QStringList>("colunas");
    QTest::newRow("cdsPais") << "cdsPais" << QStringList{"CDPAIS:4:Código", "NMPAIS:50:Nome"};
    QTest::newRow("cdsEstado") << "cdsEstado"
                               << QStringList{"SGESTADO:2:Código", "NMESTADO:50:Nome"};
    QTest::newRow("cdsMunicipio")
        << "cdsMunicipio" << QStringList{"CDMUNICIPIO:4:Código::4", "NMMUNICIPIO:50:Nome"};
    QTest::newRow("cdsBairro") << "cdsBairro"
                               << QStringList{"CDBAIRRO:10:Código", "NMBAIRRO:50:Nome",
                                              "VRTXENTREGA:F::hidden", "QTHORAENTREGA:4::hidden"};
    QTest::newRow("cdsTipoVenda")
        << "cdsTipoVenda" << QStringList{"CDTIPOVENDA:1:Código", "NMTIPOVENDA:60:Nome"};
    QTest::newRow("cdsPais_Estado")
        << "cdsPais_Estado"
        << QStringList{"CDPAIS:4::hidden", "SGESTADO:2::hidden", "NMPAIS:30::hidden"};
    QTest::newRow("cdsMunicipioIBGE")
        << "cdsMunicipioIBGE"
        << QStringList{"CDPAIS:4:", "NMPAIS:30:", "SGESTADO:2:", "NMESTADO:30:",
                       "CDMUNICIPIO:4:", "NMMUNICIPIO:30:"};
    QTest::newRow("cdsEstadoViaCEP") << "cdsEstadoViaCEP"
                                     << QStringList{"SGESTADO:2:", "NMESTADO:30:"};
    QTest::newRow("cdsMunicipioViaCep")
        << "cdsMunicipioViaCep" << QStringList{"CDMUNICIPIO:4:", "NMMUNICIPIO:30:"};
    QTest::newRow("cdsBairroViaCep") << "cdsBairroViaCep"
                                     << QStringList{"CDBAIRRO:10:", "NMBAIRRO:50:"};
    QTest::newRow("cdsConsultaViaCEP")
        << "cdsConsultaViaCEP"
        << QStringList{"NRCEP:20:",       "DSLOGRADOURO:200:", "DSCOMPLEMENTO:100:",
                       "NMBAIRRO:200:",   "NMMUNICIPIO:200:",  "SGESTADO:2:",
                       "CDMUNICIBGE:10:", "CDGIA:20:",         "DDD:5:",
                       "CDSIAFI:10:"};
    QTest::newRow("cdsParametrosZet") << "cdsParametrosZet" << QStringList{};
    QTest::newRow("cdsEndeFili") << "cdsEndeFili" << QStringList{};
    QTest::newRow("cdsConsumidor") << "cdsConsumidor" << QStringList{};
    QTest::newRow("cdsInfCep") << "cdsInfCep" << QStringList{};
}
// clang-format on

void TstFrmCadCons::colunasProjeto()
{
    QFETCH(QString, tabela);
    QFETCH(QStringList, colunas);

    TfrmCadCons form;
    const QHash<QString, kvt::MemTable *> tabelas = {
        {"cdsPais", &form.cdsPais},
        {"cdsEstado", &form.cdsEstado},
        {"cdsMunicipio", &form.cdsMunicipio},
        {"cdsBairro", &form.cdsBairro},
        {"cdsTipoVenda", &form.cdsTipoVenda},
        {"cdsPais_Estado", &form.cdsPais_Estado},
        {"cdsMunicipioIBGE", &form.cdsMunicipioIBGE},
        {"cdsEstadoViaCEP", &form.cdsEstadoViaCEP},
        {"cdsMunicipioViaCep", &form.cdsMunicipioViaCep},
        {"cdsBairroViaCep", &form.cdsBairroViaCep},
        {"cdsConsultaViaCEP", &form.cdsConsultaViaCEP},
        {"cdsParametrosZet", &form.cdsParametrosZet},
        {"cdsEndeFili", &form.cdsEndeFili},
        {"cdsConsumidor", &form.cdsConsumidor},
        {"cdsInfCep", &form.cdsInfCep},
    };
    kvt::MemTable *t = tabelas.value(tabela);
    QVERIFY(t);
    QCOMPARE(t->name(), tabela);

    QStringList reais;
    for (const kvt::FieldDef &f : t->designFields()) {
        QString d =
            f.name + QLatin1Char(':') +
            (f.type == kvt::FieldType::Float ? QStringLiteral("F") : QString::number(f.size)) +
            QLatin1Char(':') + f.label;
        if (f.hidden)
            d += QStringLiteral(":hidden");
        if (f.displayWidth)
            d += QStringLiteral("::") + QString::number(f.displayWidth);
        reais << d;
        if (f.type != kvt::FieldType::Float)
            QCOMPARE(f.type, kvt::FieldType::String);
    }
    QCOMPARE(reais, colunas);
    if (colunas.isEmpty())
        return;

    // A packet with every design-time column loads; one that lacks any of them does not.
    kvt::PacketTable completo;
    completo.fields = t->designFields();
    QVariantList linha;
    for (const kvt::FieldDef &f : completo.fields)
        linha << (f.type == kvt::FieldType::Float ? QVariant(1.5) : QVariant(QStringLiteral("1")));
    completo.rows << linha;
    t->loadFromPacket(kvt::DataPacket::write(completo), tabela);
    QCOMPARE(t->recordCount(), 1);

    for (int falta = 0; falta < completo.fields.size(); ++falta) {
        kvt::PacketTable incompleto = completo;
        incompleto.fields.removeAt(falta);
        incompleto.rows[0].removeAt(falta);
        const QByteArray pacote = kvt::DataPacket::write(incompleto);
        QVERIFY_THROWS_EXCEPTION(kvt::EDatabaseError, t->loadFromPacket(pacote, tabela));
    }
}

void TstFrmCadCons::nenhumControleRecebeFoco()
{
    TfrmCadCons form;
    const QList<QWidget *> filhos = form.findChildren<QWidget *>();
    QVERIFY(filhos.size() > 100);
    for (QWidget *w : filhos) {
        if (w->focusPolicy() != Qt::NoFocus)
            QFAIL(qPrintable(w->objectName() + QStringLiteral(" accepts focus")));
    }
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.edtNmConsumidor, Qt::LeftButton);
    QTest::mouseClick(form.sbtQ, Qt::LeftButton);
    QVERIFY(!form.focusWidget() || form.focusWidget() == &form);
}

// clang-format off
void TstFrmCadCons::teclasNaoFechamDialogo_data()
{
    QTest::addColumn<int>("tecla");
    QTest::addColumn<int>("modificadores");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier);
    QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier);
    QTest::newRow("Backtab") << int(Qt::Key_Backtab) << int(Qt::ShiftModifier);
}
// clang-format on

void TstFrmCadCons::teclasNaoFechamDialogo()
{
    QFETCH(int, tecla);
    QFETCH(int, modificadores);

    TfrmCadCons form;
    form.stResult = QStringLiteral("antes");
    QSignalSpy rejeitado(&form, &QDialog::rejected);
    QSignalSpy aceito(&form, &QDialog::accepted);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key(tecla), Qt::KeyboardModifiers(modificadores));
    QVERIFY(form.isVisible());
    QCOMPARE(rejeitado.count(), 0);
    QCOMPARE(aceito.count(), 0);
    QCOMPARE(form.stResult, QStringLiteral("antes"));
}

void TstFrmCadCons::sairFechaComSair()
{
    TfrmCadCons form;
    form.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.sbtSair, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QCOMPARE(form.stResult, QStringLiteral("SAIR"));
}

void TstFrmCadCons::escapeSai()
{
    TfrmCadCons form;
    form.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.stResult, QStringLiteral("SAIR"));
}

void TstFrmCadCons::tecladoNaTela()
{
    TfrmCadCons form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.edtNmConsumidor, Qt::LeftButton);
    QCOMPARE(form.inLblAtiv, 2);
    QCOMPARE(form.blsBorda2->brushColor(), QColor(Qt::black));

    QTest::mouseClick(form.sbtShift, Qt::LeftButton);
    QCOMPARE(form.sbtQ->caption(), QStringLiteral("Q"));
    QCOMPARE(form.sbtCCdil->caption(), QStringLiteral("\u00C7"));
    for (QWidget *tecla : {form.sbtA, form.sbtB, form.sbtEspaco, form.sbt7})
        QTest::mouseClick(tecla, Qt::LeftButton);
    QCOMPARE(form.edtNmConsumidor->caption(), QStringLiteral("Ab 7"));
    QCOMPARE(form.sbtQ->caption(), QStringLiteral("q"));

    // The special keys cover the digit row and bring the "@".
    QTest::mouseClick(form.sbtOutros, Qt::LeftButton);
    QVERIFY(form.panOutros->isVisible());
    QTest::mouseClick(form.sbtArroba, Qt::LeftButton);
    QTest::mouseClick(form.sbtOutros, Qt::LeftButton);
    QVERIFY(!form.panOutros->isVisible());
    QTest::mouseClick(form.sbtBackSpace, Qt::LeftButton);
    QCOMPARE(form.edtNmConsumidor->caption(), QStringLiteral("Ab 7"));

    // Clearing the sale type forgets the code picked with it.
    QTest::mouseClick(form.edtTipoVenda, Qt::LeftButton);
    form.edtTipoVenda->setCaption(QStringLiteral("A Vista"));
    form.stCdTipoVenda = QStringLiteral("3");
    QTest::mouseClick(form.sbtLimpar, Qt::LeftButton);
    QCOMPARE(form.edtTipoVenda->caption(), QString());
    QCOMPARE(form.stCdTipoVenda, QString());

    // A name display selects its code; the on-screen Enter moves forward.
    QTest::mouseClick(form.bldNmMuni, Qt::LeftButton);
    QCOMPARE(form.inLblAtiv, 16);
    QTest::mouseClick(form.sbtEnter, Qt::LeftButton);
    QCOMPARE(form.inLblAtiv, 17);
    QCOMPARE(form.blsBorda15->brushColor(), QColor(Qt::black));
    QCOMPARE(form.blsBorda14->brushColor(), kCorBorda);
}

void TstFrmCadCons::teclasFisicas()
{
    int fiscal = 0;
    RelFiscais = [&fiscal] { ++fiscal; };
    TfrmCadCons form;
    form.inLblAtiv = 1;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Return);
    QCOMPARE(form.inLblAtiv, 2);
    QTest::keyClicks(&form, QStringLiteral("Ana"));
    QTest::keyClick(&form, Qt::Key_Underscore, Qt::ShiftModifier);
    QTest::keyClick(&form, Qt::Key_CapsLock);
    QCOMPARE(form.sbtQ->caption(), QStringLiteral("Q"));
    QTest::keyClicks(&form, QStringLiteral("b-"));
    QTest::keyClick(&form, Qt::Key_Backspace);
    QTest::keyClicks(&form, QStringLiteral("c"));
    QCOMPARE(form.edtNmConsumidor->caption(), QStringLiteral("ana_C"));

    QTest::keyClick(&form, Qt::Key_F1);
    QCOMPARE(fiscal, 0);
    form.boUtilizaImpFis = true;
    QTest::keyClick(&form, Qt::Key_F1);
    QCOMPARE(fiscal, 1);
    QTest::keyClick(&form, Qt::Key_Return, Qt::ShiftModifier);
    QCOMPARE(form.inLblAtiv, 1);
    QCOMPARE(form.blsBorda1->brushColor(), QColor(Qt::black));
    RelFiscais = nullptr;
}

void TstFrmCadCons::altF4CapturaSemFechar()
{
    QStringList capturas;
    DigitalConsumidor = [&capturas](int, int, const QString &nome, QVariant &retorno) {
        capturas << nome;
        retorno = QVariantList{QStringLiteral("t1"), QStringLiteral("t2")};
    };
    TfrmCadCons form;
    form.stResult = QStringLiteral("123");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.edtNmConsumidor->setCaption(QStringLiteral("ana"));
    QTest::keyClick(&form, Qt::Key_F4, Qt::AltModifier);
    // The window system's close request that follows the key is the key's.
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(capturas, QStringList{QStringLiteral("ana")});
    QCOMPARE(stDigital, QStringLiteral("t1"));
    QCOMPARE(stDigital2, QStringLiteral("t2"));
    // Any other close request leaves as Sair does.
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QCOMPARE(form.stResult, QStringLiteral("SAIR"));
    DigitalConsumidor = nullptr;
    stDigital.clear();
    stDigital2.clear();
}

QTEST_MAIN(TstFrmCadCons)
#include "tst_frmcadcons.moc"
