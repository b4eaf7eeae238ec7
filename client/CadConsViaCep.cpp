#include "CadConsViaCep.h"

#include "CadConsColunas.h"
#include "CadConsTabelas.h"
#include "RespostaViaCep.h"
#include "RespostasCep.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Exceptions.h"
#include "toolkit/SiteFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <initializer_list>
#include <limits>

namespace {

using namespace cadcons;

constexpr int kStatusOk = 200;
constexpr int kStatusDesconhecido = 999;

kvt::MemTable tabela(const char *nome)
{
    const QString n = QString::fromLatin1(nome);
    return kvt::MemTable(n, colunasProjeto(n));
}

QString emJson(const QHash<QString, QString> &valores)
{
    QJsonObject objeto;
    for (auto it = valores.cbegin(); it != valores.cend(); ++it)
        objeto.insert(it.key(), it.value());
    return QString::fromUtf8(QJsonDocument(objeto).toJson(QJsonDocument::Compact));
}

} // namespace

CadConsViaCep::CadConsViaCep(CadConsEdicao::Textos &textos, CadConsEdicao::Acoes &acoes,
                             CadConsEstado &estado)
    : cdsMunicipioIBGE(tabela("cdsMunicipioIBGE")), cdsEstadoViaCEP(tabela("cdsEstadoViaCEP")),
      cdsMunicipioViaCep(tabela("cdsMunicipioViaCep")), cdsBairroViaCep(tabela("cdsBairroViaCep")),
      cdsConsultaViaCEP(tabela("cdsConsultaViaCEP")), m_textos(textos), m_acoes(acoes),
      m_estado(estado)
{
}

void CadConsViaCep::preparaConsultaCEP()
{
    for (QBuffer *fluxo : {&cepHeader, &cepResponse}) {
        fluxo->close();
        fluxo->setData(QByteArray());
    }
    if (!cdsConsultaViaCEP.active())
        cdsConsultaViaCEP.createDataSet();
    cdsConsultaViaCEP.emptyDataSet();
}

CadConsViaCep::Desfecho CadConsViaCep::consultaViaCep(const QString &cep)
{
    preparaConsultaCEP();
    arCep = QVariantList{QVariant(), QVariant()};
    log(QStringLiteral("------------------"));
    const QDate hoje = QDate::currentDate();
    const RespostasCep guardadas(RespostasCep::arquivoDoHost(hostDir()));
    const QString chave = SoNumerosStr(cep);
    if (const auto guardada = guardadas.procura(chave, hoje)) {
        log(QStringLiteral("Resposta guardada no terminal, buscada em %1: %2")
                .arg(guardada->buscada.toString(QStringLiteral("dd/MM/yyyy")),
                     emJson(guardada->valores)));
        preencheConsulta(guardada->valores);
        return Desfecho::Endereco;
    }

    PausaProvedores &pausas = PausaProvedores::doProcesso();
    for (const ProvedorCep &provedor : kProvedoresCep) {
        const QString base = provedor.base();
        if (base.isEmpty())
            continue;
        const QString url = provedor.url(base, cep);
        const QDateTime ate = pausas.suspensoAte(base);
        if (ate.isValid()) {
            log(QStringLiteral("Consulta pulada até %1, serviço sem resposta: %2")
                    .arg(ate.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")), url));
            continue;
        }
        const Desfecho desfecho = pergunta(provedor, url);
        if (desfecho == Desfecho::SemResposta) {
            // No HTTP answer at all (time-out, refused or cut): left alone for a while.
            if (arCep.toList().value(0).toInt() == kStatusDesconhecido)
                pausas.suspende(base, cepPauseSeconds());
            continue;
        }
        if (desfecho == Desfecho::Endereco && !chave.isEmpty()) {
            QHash<QString, QString> valores;
            for (const kvt::FieldDef &coluna : cdsConsultaViaCEP.fields())
                valores.insert(coluna.name, cdsConsultaViaCEP.fieldValue(coluna.name).toString());
            // The address is filled all the same; only the next look-up will ask again.
            const QString falha = guardadas.guarda(chave, valores, hoje);
            if (!falha.isEmpty())
                log(QStringLiteral("Resposta não guardada no terminal: ") + falha);
        }
        return desfecho;
    }
    return Desfecho::SemResposta;
}

CadConsViaCep::Desfecho CadConsViaCep::pergunta(const ProvedorCep &provedor, const QString &url)
{
    log(QStringLiteral("URL: ") + url);
    m_acoes.aguarda([&] {
        arCep = RequisicaoHTTP(url, QStringLiteral("TEXT"), QStringLiteral("GET"), &cepHeader,
                               nullptr, &cepResponse, stTempoLimiteCep);
    });
    const QVariantList resposta = arCep.toList();
    const int status = resposta.value(0).toInt();
    if (status == kStatusOk) {
        stConsultaCep = resposta.value(1).toString();
        log(QStringLiteral("Response: ") + stConsultaCep);
        const RespostaViaCep lida = provedor.le(status, stConsultaCep);
        if (lida.tipo != RespostaViaCep::Tipo::Invalida) {
            preencheConsulta(lida.valores);
            return lida.tipo == RespostaViaCep::Tipo::Endereco ? Desfecho::Endereco
                                                               : Desfecho::NaoEncontrado;
        }
        // A success status over a body that is no answer is a failed request all the same.
        stErroRequisicao = lida.erro;
        log(QStringLiteral("Erro na requisição: %1 - ").arg(status) + lida.erro);
        log(QStringLiteral("URL: ") + url);
        return Desfecho::SemResposta;
    }
    stErroRequisicao = resposta.value(1).toString();
    if (status == kStatusDesconhecido)
        log(QStringLiteral("Erro na requisição: Desconhecido: ") + stErroRequisicao);
    else
        log(QStringLiteral("Erro na requisição: %1 - ").arg(status) + stErroRequisicao);
    log(QStringLiteral("URL: ") + url);
    // A service that says it does not know the postal code answered all the same.
    const bool naoEncontrado =
        status != kStatusDesconhecido &&
        provedor.le(status, stErroRequisicao).tipo == RespostaViaCep::Tipo::NaoEncontrado;
    return naoEncontrado ? Desfecho::NaoEncontrado : Desfecho::SemResposta;
}

void CadConsViaCep::preencheConsulta(const QHash<QString, QString> &valores)
{
    if (!cdsConsultaViaCEP.active())
        cdsConsultaViaCEP.createDataSet();
    cdsConsultaViaCEP.emptyDataSet();
    // No values: "not found" or no answer, and the table stays empty.
    if (valores.isEmpty())
        return;
    cdsConsultaViaCEP.append();
    for (const kvt::FieldDef &coluna : cdsConsultaViaCEP.fields()) {
        const int tamanho = coluna.size > 0 ? coluna.size : std::numeric_limits<int>::max();
        cdsConsultaViaCEP.setFieldValue(coluna.name,
                                        textoDoSistema(valores.value(coluna.name), tamanho));
    }
    cdsConsultaViaCEP.post();
}

void CadConsViaCep::log(const QString &Msg)
{
    const QDateTime agora = QDateTime::currentDateTime();
    const QString arquivo = arquivoLogCep(hostDir(), agora.date());
    const QString pasta = QFileInfo(arquivo).path();
    if (!QDir().mkpath(pasta)) {
        const QString porque = kvt::files::whyNotWritable(pasta);
        throw kvt::Exception(porque.isEmpty()
                                 ? QStringLiteral("Não foi possível criar a pasta %1.").arg(pasta)
                                 : porque);
    }
    QFile file(arquivo);
    if (!kvt::files::openGroupOnly(file, QIODevice::WriteOnly | QIODevice::Append)) {
        const QString porque = kvt::files::whyNotWritable(arquivo);
        throw kvt::Exception(
            porque.isEmpty()
                ? QStringLiteral("Não foi possível abrir %1: %2").arg(arquivo, file.errorString())
                : porque);
    }
    const QByteArray linha = linhaLogCep(agora, Msg);
    if (file.write(linha) != linha.size() || !file.flush())
        throw kvt::Exception(
            QStringLiteral("Não foi possível gravar %1: %2").arg(arquivo, file.errorString()));
}

void CadConsViaCep::preencheEndViaCep()
{
    m_aviso.clear();
    try {
        const Desfecho desfecho = consultaViaCep(m_textos.texto(Cep));
        if (cdsConsultaViaCEP.isEmpty()) {
            m_aviso = QString::fromUtf8(desfecho == Desfecho::NaoEncontrado ? kNaoEncontrado
                                                                            : kIndisponivel);
            limpa(m_textos, {Bairro, NmBairro, Endereco});
            return;
        }
        cdsConsultaViaCEP.first();
        const auto resposta = [this](const char *coluna) {
            return cdsConsultaViaCEP.fieldValue(QString::fromLatin1(coluna)).toString();
        };
        const QString estado = resposta("SGESTADO");
        const QString municipio = resposta("NMMUNICIPIO");
        copiaColunas(m_textos, cdsConsultaViaCEP, {{"DSLOGRADOURO", Endereco}});

        carrega(cdsMunicipioIBGE, getMunicipioIBGE(resposta("CDMUNICIBGE")),
                QStringLiteral("getMunicipioIBGE"));
        if (!cdsMunicipioIBGE.isEmpty()) {
            cdsMunicipioIBGE.first();
            copiaColunas(m_textos, cdsMunicipioIBGE,
                         {{"CDPAIS", CodPais},
                          {"NMPAIS", NmPais},
                          {"SGESTADO", Estado},
                          {"CDMUNICIPIO", CodMuni},
                          {"NMMUNICIPIO", NmMuni}});
        } else {
            carrega(cdsEstadoViaCEP, getEstadoViaCEP(estado), QStringLiteral("getEstadoViaCEP"));
            if (cdsEstadoViaCEP.isEmpty()) {
                limpa(m_textos, {Estado, CodMuni, NmMuni, Bairro, NmBairro});
                return;
            }
            cdsEstadoViaCEP.first();
            copiaColunas(m_textos, cdsEstadoViaCEP, {{"SGESTADO", Estado}});

            carrega(cdsMunicipioViaCep, getMunicipioViaCEP(estado, municipio),
                    QStringLiteral("getMunicipioViaCEP"));
            if (cdsMunicipioViaCep.isEmpty()) {
                limpa(m_textos, {CodMuni, NmMuni, Bairro, NmBairro});
                return;
            }
            cdsMunicipioViaCep.first();
            copiaColunas(m_textos, cdsMunicipioViaCep,
                         {{"CDMUNICIPIO", CodMuni}, {"NMMUNICIPIO", NmMuni}});
        }

        carrega(cdsBairroViaCep, getBairroViaCEP(estado, municipio, resposta("NMBAIRRO")),
                QStringLiteral("getBairroViaCEP"));
        if (cdsBairroViaCep.isEmpty()) {
            limpa(m_textos, {Bairro, NmBairro});
            return;
        }
        cdsBairroViaCep.first();
        copiaColunas(m_textos, cdsBairroViaCep, {{"CDBAIRRO", Bairro}, {"NMBAIRRO", NmBairro}});
    } catch (const std::exception &erro) {
        limpa(m_textos, {Estado, CodMuni, NmMuni, Bairro, NmBairro});
        const auto *nosso = dynamic_cast<const kvt::Exception *>(&erro);
        const QString linha = QStringLiteral("Exceção na rotina de busca de endereço via CEP: ") +
                              (nosso ? nosso->message() : QString::fromUtf8(erro.what()));
        // No message for what the log records; a log that cannot be written is the key's error.
        log(linha);
    }
}
