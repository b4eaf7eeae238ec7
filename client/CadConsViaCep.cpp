#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "RespostaViaCep.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Exceptions.h"
#include "toolkit/TouchButton.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QtDebug>

#include <initializer_list>
#include <limits>

namespace {

using F = TfrmCadCons;

constexpr int kStatusOk = 200;
constexpr int kStatusDesconhecido = 999;

// While the request runs the screen shows it is busy and drops the operator's input: keys held
// back until the answer would otherwise land in whatever field the look-up moves on to.
class EsperaRequisicao : public QObject
{
public:
    EsperaRequisicao()
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~EsperaRequisicao() override
    {
        // Input the wait held back is delivered now, to this filter.
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(this);
        QGuiApplication::restoreOverrideCursor();
    }
    EsperaRequisicao(const EsperaRequisicao &) = delete;
    EsperaRequisicao &operator=(const EsperaRequisicao &) = delete;

protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->isInputEvent(); }
};

void limpa(TfrmCadCons &form, std::initializer_list<kvt::TouchButton * TfrmCadCons::*> campos)
{
    for (kvt::TouchButton *TfrmCadCons::*campo : campos)
        (form.*campo)->setCaption(QString());
}

} // namespace

void TfrmCadCons::preparaConsultaCEP()
{
    for (QBuffer *fluxo : {&cepHeader, &cepResponse}) {
        fluxo->close();
        fluxo->setData(QByteArray());
    }
    if (!cdsConsultaViaCEP.active())
        cdsConsultaViaCEP.createDataSet();
    cdsConsultaViaCEP.emptyDataSet();
}

void TfrmCadCons::consultaViaCep(const QString &cep)
{
    preparaConsultaCEP();
    arCep = QVariantList{QVariant(), QVariant()};
    log(QStringLiteral("------------------"));
    const QString url = cadcons::urlConsultaCep(cepServiceUrl(), cep);
    log(QStringLiteral("URL: ") + url);
    {
        const EsperaRequisicao espera;
        arCep = RequisicaoHTTP(url, QStringLiteral("TEXT"), QStringLiteral("GET"), &cepHeader,
                               nullptr, &cepResponse, stTempoLimiteCep);
    }
    const QVariantList resposta = arCep.toList();
    const int status = resposta.value(0).toInt();
    if (status == kStatusOk) {
        stConsultaCep = resposta.value(1).toString();
        log(QStringLiteral("Response: ") + stConsultaCep);
        const QString falha = getConsultaViaCEP();
        if (falha.isEmpty())
            return;
        // A success status over a body that is no answer is a failed request all the same.
        stErroRequisicao = falha;
        log(QStringLiteral("Erro na requisição: %1 - ").arg(status) + falha);
    } else {
        stErroRequisicao = resposta.value(1).toString();
        if (status == kStatusDesconhecido)
            log(QStringLiteral("Erro na requisição: Desconhecido: ") + stErroRequisicao);
        else
            log(QStringLiteral("Erro na requisição: %1 - ").arg(status) + stErroRequisicao);
    }
    log(QStringLiteral("URL: ") + url);
}

QString TfrmCadCons::getConsultaViaCEP()
{
    const cadcons::RespostaViaCep resposta = cadcons::RespostaViaCep::le(stConsultaCep);
    if (!cdsConsultaViaCEP.active())
        cdsConsultaViaCEP.createDataSet();
    cdsConsultaViaCEP.emptyDataSet();
    if (resposta.tipo == cadcons::RespostaViaCep::Tipo::Invalida)
        return resposta.erro;
    // The service's "not found" is no address: the table stays empty as after a failure.
    if (resposta.tipo == cadcons::RespostaViaCep::Tipo::NaoEncontrado)
        return {};
    cdsConsultaViaCEP.append();
    for (const kvt::FieldDef &coluna : cdsConsultaViaCEP.fields()) {
        const int tamanho = coluna.size > 0 ? coluna.size : std::numeric_limits<int>::max();
        cdsConsultaViaCEP.setFieldValue(
            coluna.name, cadcons::textoDoSistema(resposta.valores.value(coluna.name), tamanho));
    }
    cdsConsultaViaCEP.post();
    return {};
}

void TfrmCadCons::log(const QString &Msg)
{
    const QDateTime agora = QDateTime::currentDateTime();
    const QString arquivo = cadcons::arquivoLogCep(hostDir(), agora.date());
    const QString pasta = QFileInfo(arquivo).path();
    if (!QDir().mkpath(pasta))
        throw kvt::Exception(QStringLiteral("Não foi possível criar a pasta %1.").arg(pasta));
    QFile file(arquivo);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw kvt::Exception(
            QStringLiteral("Não foi possível abrir %1: %2").arg(arquivo, file.errorString()));
    const QByteArray linha = cadcons::linhaLogCep(agora, Msg);
    if (file.write(linha) != linha.size() || !file.flush())
        throw kvt::Exception(
            QStringLiteral("Não foi possível gravar %1: %2").arg(arquivo, file.errorString()));
}

void TfrmCadCons::preencheEndViaCep()
{
    try {
        consultaViaCep(bldCep->caption());
        if (cdsConsultaViaCEP.isEmpty()) {
            limpa(*this, {&F::edtBairro, &F::bldNmBairro, &F::edtEndereco});
            return;
        }
        cdsConsultaViaCEP.first();
        const auto resposta = [this](const char *coluna) {
            return cdsConsultaViaCEP.fieldValue(QString::fromLatin1(coluna)).toString();
        };
        const QString estado = resposta("SGESTADO");
        const QString municipio = resposta("NMMUNICIPIO");
        cadcons::copiaColunas(*this, cdsConsultaViaCEP, {{"DSLOGRADOURO", &F::edtEndereco}});

        cadcons::carrega(cdsMunicipioIBGE, getMunicipioIBGE(resposta("CDMUNICIBGE")),
                         QStringLiteral("getMunicipioIBGE"));
        if (!cdsMunicipioIBGE.isEmpty()) {
            cdsMunicipioIBGE.first();
            cadcons::copiaColunas(*this, cdsMunicipioIBGE,
                                  {{"CDPAIS", &F::edtCodPais},
                                   {"NMPAIS", &F::bldNmPais},
                                   {"SGESTADO", &F::edtEstado},
                                   {"CDMUNICIPIO", &F::edtCodMuni},
                                   {"NMMUNICIPIO", &F::bldNmMuni}});
        } else {
            cadcons::carrega(cdsEstadoViaCEP, getEstadoViaCEP(estado),
                             QStringLiteral("getEstadoViaCEP"));
            if (cdsEstadoViaCEP.isEmpty()) {
                limpa(*this, {&F::edtEstado, &F::edtCodMuni, &F::bldNmMuni, &F::edtBairro,
                              &F::bldNmBairro});
                return;
            }
            cdsEstadoViaCEP.first();
            cadcons::copiaColunas(*this, cdsEstadoViaCEP, {{"SGESTADO", &F::edtEstado}});

            cadcons::carrega(cdsMunicipioViaCep, getMunicipioViaCEP(estado, municipio),
                             QStringLiteral("getMunicipioViaCEP"));
            if (cdsMunicipioViaCep.isEmpty()) {
                limpa(*this, {&F::edtCodMuni, &F::bldNmMuni, &F::edtBairro, &F::bldNmBairro});
                return;
            }
            cdsMunicipioViaCep.first();
            cadcons::copiaColunas(
                *this, cdsMunicipioViaCep,
                {{"CDMUNICIPIO", &F::edtCodMuni}, {"NMMUNICIPIO", &F::bldNmMuni}});
        }

        cadcons::carrega(cdsBairroViaCep, getBairroViaCEP(estado, municipio, resposta("NMBAIRRO")),
                         QStringLiteral("getBairroViaCEP"));
        if (cdsBairroViaCep.isEmpty()) {
            limpa(*this, {&F::edtBairro, &F::bldNmBairro});
            return;
        }
        cdsBairroViaCep.first();
        cadcons::copiaColunas(*this, cdsBairroViaCep,
                              {{"CDBAIRRO", &F::edtBairro}, {"NMBAIRRO", &F::bldNmBairro}});
    } catch (const std::exception &erro) {
        limpa(*this,
              {&F::edtEstado, &F::edtCodMuni, &F::bldNmMuni, &F::edtBairro, &F::bldNmBairro});
        const auto *nosso = dynamic_cast<const kvt::Exception *>(&erro);
        const QString linha = QStringLiteral("Exceção na rotina de busca de endereço via CEP: ") +
                              (nosso ? nosso->message() : QString::fromUtf8(erro.what()));
        // The operator is not told here: a log that cannot be written leaves the line to the
        // program's own output, and the confirmation says later what was not written.
        try {
            log(linha);
        } catch (const std::exception &falhaLog) {
            qWarning().noquote() << linha;
            const auto *nossa = dynamic_cast<const kvt::Exception *>(&falhaLog);
            m_avisoLogCep = nossa ? nossa->message() : QString::fromUtf8(falhaLog.what());
        }
    }
}
