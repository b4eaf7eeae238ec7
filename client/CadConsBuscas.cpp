#include "CadConsBuscas.h"

#include "CadConsColunas.h"
#include "CadConsRegras.h"
#include "CadConsTabelas.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/TextRules.h"

const std::array<TipoVenda, 7> arTipoVenda = {{
    {"1", "Débito Consumidor"},
    {"2", "Crédito Pessoal"},
    {"3", "A Vista"},
    {"4", "Débito Consumidor / Crédito Pessoal"},
    {"5", "Débito Consumidor / A Vista"},
    {"6", "Crédito Pessoal / A Vista"},
    {"7", "Todos"},
}};

namespace {

using namespace cadcons;
using V = CadConsEdicao::Verificacao;

const QString kUnidade = QStringLiteral("Cli_Kvt04410");

kvt::MemTable tabelaProjeto(const char *nome)
{
    const QString tabela = QString::fromLatin1(nome);
    return kvt::MemTable(tabela, colunasProjeto(tabela));
}

void limpaFiltro(kvt::DataSet &tabela)
{
    tabela.setFiltered(false);
    tabela.setFilter({});
}

} // namespace

CadConsBuscas::CadConsBuscas(CadConsEdicao::Textos &textos,
                             const CadConsEdicao::Mensagens &mensagens, CadConsEstado &estado,
                             CadConsRegras &regras, Tela &tela)
    : cdsPais(tabelaProjeto("cdsPais")), cdsEstado(tabelaProjeto("cdsEstado")),
      cdsMunicipio(tabelaProjeto("cdsMunicipio")), cdsBairro(tabelaProjeto("cdsBairro")),
      cdsTipoVenda(tabelaProjeto("cdsTipoVenda")), cdsEndeFili(QStringLiteral("cdsEndeFili")),
      cdsInfCep(QStringLiteral("cdsInfCep")), m_textos(textos), m_mensagens(mensagens),
      m_estado(estado), m_regras(regras), m_tela(tela)
{
}

void CadConsBuscas::copia(const kvt::DataSet &origem, std::initializer_list<int> campos)
{
    copiaColunas(m_textos, origem, colunasDe(campos));
}

void CadConsBuscas::abre()
{
    m_estado.adqPesqConsumidor =
        GetTodosCons(m_estado.stCdFilial, QStringLiteral("T"), QStringLiteral("T"));
    criaTiposVenda();
    if (EmptyString(m_estado.stConsumidor)) {
        if (!EmptyString(m_estado.stTelefone))
            m_textos.setTexto(Telefone, m_estado.stTelefone);
        preencheEnderecoFilial();
    } else {
        carregaConsumidor();
    }
}

void CadConsBuscas::preencheEnderecoFilial()
{
    if (cdsEndeFili.isEmpty()) {
        QVariant resultado;
        getEndeFili(resultado);
        const QVariant pacote = confere(resultado, QStringLiteral("getEndeFili"), QString());
        cdsEndeFili.loadFromPacket(pacote.toByteArray(), QStringLiteral("getEndeFili"));
    }

    // A packet without one of the columns is an error even when it has no row; a branch
    // without an address row leaves the fields empty.
    if (!cdsEndeFili.isEmpty() && cdsEndeFili.recNo() < 0)
        cdsEndeFili.first();
    copia(cdsEndeFili, {CodPais, Estado, CodMuni});
}

void CadConsBuscas::carregaConsumidor()
{
    kvt::DataSet *lista = m_estado.adqPesqConsumidor.get();
    // Without a consumer list the screen opens with empty fields.
    if (!lista)
        return;

    kvt::RowFilter filtro;
    filtro.add(QStringLiteral("CDCLIENTE"), m_estado.stCdCliente);
    filtro.add(QStringLiteral("CDCONSUMIDOR"), m_estado.stConsumidor);
    lista->setFiltered(false);
    lista->setFilter(filtro);
    lista->setFiltered(true);
    if (lista->isEmpty())
        return;
    lista->first();

    copiaColunas(m_textos, *lista, colunasConsumidor());
    m_tela.anotaEntrega(*lista);
    mostraTipoVenda();
}

void CadConsBuscas::criaTiposVenda()
{
    cdsTipoVenda.close();
    cdsTipoVenda.createDataSet();
    // Appended, not inserted before the current row, so the list dialog offers them in code order.
    for (const ::TipoVenda &tipo : arTipoVenda) {
        cdsTipoVenda.append();
        cdsTipoVenda.setFieldValue(QStringLiteral("CDTIPOVENDA"),
                                   QString::fromLatin1(tipo.cdTipoVenda));
        cdsTipoVenda.setFieldValue(QStringLiteral("NMTIPOVENDA"),
                                   QString::fromUtf8(tipo.nmTipoVenda));
        cdsTipoVenda.post();
    }
}

void CadConsBuscas::mostraTipoVenda()
{
    // The consumer's own sale type is kept for the save, where no pick replaces it.
    m_estado.stTipoVendaConsumidor =
        m_estado.adqPesqConsumidor->asString(QStringLiteral("IDTPVENDACONS"));
    if (cdsTipoVenda.locate({QStringLiteral("CDTIPOVENDA")}, {m_estado.stTipoVendaConsumidor}))
        m_textos.setTexto(cadcons::TipoVenda, cdsTipoVenda.asString(QStringLiteral("NMTIPOVENDA")));
}

bool CadConsBuscas::verifica(CadConsEdicao::Verificacao verificacao, bool avanca)
{
    switch (verificacao) {
    case V::Cep:
        return buscaCep();
    case V::DtNasc:
        m_regras.Vd_DtNasc(false);
        return true;
    case V::Identidade:
        m_regras.vd_Identidade(false);
        return true;
    case V::Telefone:
        return m_regras.Vd_Telefones(texto(Telefone), false, 1);
    case V::Telefone2:
        return m_regras.Vd_Telefones(texto(Telefone2), false, 0);
    case V::Celular:
        return m_regras.Vd_Telefones(texto(Celular), false, 0);
    case V::Pais:
        return buscaPais();
    case V::Estado:
        return buscaEstado();
    case V::Municipio:
        return buscaMunicipio(avanca);
    case V::Bairro:
        return buscaBairro();
    case V::Nenhuma:
        break;
    }
    return true;
}

bool CadConsBuscas::achou(kvt::MemTable &tabela, const char *naoEncontrado)
{
    if (tabela.isEmpty()) {
        m_mensagens.mensagem(naoEncontrado, 3);
        return false;
    }
    tabela.first();
    return true;
}

QVariant CadConsBuscas::confere(const QVariant &resultado, const QString &metodo,
                                const QString &argumentos) const
{
    return MensagemMetodo(resultado, true, 0, metodo, kUnidade, argumentos, m_estado.stIdEsquema);
}

bool CadConsBuscas::buscaCep()
{
    if (!m_regras.Vd_Cep() && m_estado.stIdValidaAten == QLatin1String("C")) {
        m_mensagens.mensagem("CEPINV", 3);
        return false;
    }
    const QString cep = texto(Cep);
    QVariant resultado;
    getInfCEP(cep, resultado);
    carrega(cdsInfCep, confere(resultado, QStringLiteral("getInfCEP"), cep),
            QStringLiteral("getInfCEP"));
    if (cdsInfCep.isEmpty()) {
        m_tela.preencheEndViaCep();
        return true;
    }
    cdsInfCep.first();
    std::vector<ColunaCampo> colunas = colunasDe({CodPais, Estado, CodMuni, Bairro});
    colunas.push_back({"DSLOGCEP", Endereco});
    copiaColunas(m_textos, cdsInfCep, colunas);
    m_tela.anotaEntrega(cdsInfCep);
    return true;
}

bool CadConsBuscas::buscaPais()
{
    QVariant resultado;
    getPais(Ajusta(texto(CodPais), 4), QString(), resultado);
    // No result check here: a failed call ends the key as an error.
    carrega(cdsPais, resultado, QStringLiteral("getPais"));
    if (!achou(cdsPais, "PAIS_NCAD"))
        return false;
    copia(cdsPais, {CodPais});
    return true;
}

bool CadConsBuscas::buscaEstado()
{
    const QString estado = texto(Estado);
    const QString pais = texto(CodPais);
    QVariant resultado;
    getEstado(kvt::text::asciiUpper(estado), pais, QString(), resultado);
    carrega(cdsEstado,
            confere(resultado, QStringLiteral("getEstado"),
                    estado + QLatin1Char('-') + pais + QLatin1Char('-')),
            QStringLiteral("getEstado"));
    if (!achou(cdsEstado, "ESTADO_NCAD2"))
        return false;
    copia(cdsEstado, {Estado});
    return true;
}

bool CadConsBuscas::buscaMunicipio(bool avanca)
{
    const QString municipio = Ajusta(texto(CodMuni), 4);
    const QString estado = kvt::text::asciiUpper(texto(Estado));
    const QString pais = texto(CodPais);
    const QString argumentos =
        avanca ? QLatin1Char('-') + estado + QLatin1Char('-') + pais + QLatin1Char('-') +
                     QLatin1Char('T')
               : municipio + QLatin1Char('-') + estado + QLatin1Char('-') + pais + QLatin1Char('-');
    QVariant resultado;
    getMunicipio(municipio, estado, pais, QString(), resultado);
    carrega(cdsMunicipio, confere(resultado, QStringLiteral("getMunicipio "), argumentos),
            QStringLiteral("getMunicipio"));
    if (!achou(cdsMunicipio, "MUNI_NCAD2"))
        return false;
    copia(cdsMunicipio, {CodMuni});
    return true;
}

bool CadConsBuscas::buscaBairro()
{
    const QString bairro = Ajusta(texto(Bairro), 10);
    const QString municipio = texto(CodMuni);
    const QString estado = texto(Estado);
    const QString pais = texto(CodPais);
    QVariant resultado;
    getBairro(bairro, municipio, estado, pais, QString(), resultado);
    carrega(cdsBairro,
            confere(resultado, QStringLiteral("getBairro"),
                    bairro + QLatin1Char('-') + municipio + QLatin1Char('-') + estado +
                        QLatin1Char('-') + pais + QLatin1Char('-')),
            QStringLiteral("getBairro"));
    if (!achou(cdsBairro, "BAIRRO_NCAD2"))
        return false;
    copia(cdsBairro, {Bairro});
    m_tela.anotaEntrega(cdsBairro);
    return true;
}

bool CadConsBuscas::escolhe(kvt::MemTable &tabela, const QVariant &resultado, const QString &metodo,
                            const QString &argumentos, const char *listaVazia, const QString &pais)
{
    carrega(tabela, confere(resultado, metodo, argumentos), metodo.trimmed());
    limpaFiltro(tabela);
    if (tabela.isEmpty()) {
        m_mensagens.mensagem(listaVazia, 3);
        return false;
    }
    return m_tela.escolheNaLista(tabela, pais, true);
}

void CadConsBuscas::abreLista(int campo)
{
    if (!campoValido(campo))
        return;
    switch (campoDef(campo).lista) {
    case Lista::TipoVenda:
        escolheTipoVenda();
        break;
    case Lista::Pais:
        escolhePais();
        break;
    case Lista::Estado:
        escolheEstado();
        break;
    case Lista::Municipio:
        escolheMunicipio();
        break;
    case Lista::Bairro:
        escolheBairro();
        break;
    case Lista::Nenhuma:
        break;
    }
}

void CadConsBuscas::escolhePais()
{
    // This picker reports its own errors and leaves the screen as it was.
    try {
        QVariant resultado;
        getPais(QString(), QStringLiteral("T"), resultado);
        if (escolhe(cdsPais, resultado, QStringLiteral("getPais"), QStringLiteral("T"), "PAIS_NCAD",
                    QStringLiteral("S")))
            copia(cdsPais, {CodPais});
    } catch (const kvt::EAbort &) {
        throw;
    } catch (const kvt::Exception &e) {
        Mensagem(e.message(), QString(), QStringLiteral("N"), QStringLiteral("N"), 3);
    } catch (const std::exception &e) {
        Mensagem(QString::fromUtf8(e.what()), QString(), QStringLiteral("N"), QStringLiteral("N"),
                 3);
    }
}

void CadConsBuscas::escolheEstado()
{
    const QString pais = texto(CodPais);
    QVariant resultado;
    getEstado(QString(), pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsEstado, resultado, QStringLiteral("getEstado"),
                QLatin1Char('-') + pais + QStringLiteral("-T"), "ESTADO_NCAD", QStringLiteral("N")))
        copia(cdsEstado, {Estado});
}

void CadConsBuscas::escolheMunicipio()
{
    const QString estado = texto(Estado);
    const QString pais = texto(CodPais);
    QVariant resultado;
    getMunicipio(QString(), estado, pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsMunicipio, resultado, QStringLiteral("getMunicipio "),
                QLatin1Char('-') + estado + QLatin1Char('-') + pais + QStringLiteral("-T"),
                "MUNICIPIO_NCAD", QStringLiteral("N")))
        copia(cdsMunicipio, {CodMuni});
}

void CadConsBuscas::escolheBairro()
{
    const QString municipio = texto(CodMuni);
    const QString estado = texto(Estado);
    const QString pais = texto(CodPais);
    QVariant resultado;
    getBairro(QString(), municipio, estado, pais, QStringLiteral("T"), resultado);
    if (escolhe(cdsBairro, resultado, QStringLiteral("getBairro"),
                QLatin1Char('-') + municipio + QLatin1Char('-') + estado + QLatin1Char('-') + pais +
                    QStringLiteral("-T"),
                "BAIRRO_NCAD", QStringLiteral("N"))) {
        copia(cdsBairro, {Bairro});
        m_tela.anotaEntrega(cdsBairro);
    }
}

void CadConsBuscas::escolheTipoVenda()
{
    limpaFiltro(cdsTipoVenda);
    if (!m_tela.escolheNaLista(cdsTipoVenda, QStringLiteral("N"), false))
        return;
    m_textos.setTexto(cadcons::TipoVenda, cdsTipoVenda.asString(QStringLiteral("NMTIPOVENDA")));
    m_estado.stCdTipoVenda = cdsTipoVenda.asString(QStringLiteral("CDTIPOVENDA"));
}

void CadConsBuscas::escolheConsumidor()
{
    kvt::DataSet *lista = m_estado.adqPesqConsumidor.get();
    if (!lista)
        return;
    // Every consumer of the list is offered, whatever an edit or a phone check filtered.
    limpaFiltro(*lista);
    if (!m_tela.escolheNaLista(*lista, QStringLiteral("N"), true))
        return;
    m_estado.stConsumidor = lista->asString(QStringLiteral("CDCONSUMIDOR"));
    m_estado.stCdClienteConsumidor = lista->asString(QStringLiteral("CDCLIENTE"));
    copiaColunas(m_textos, *lista, colunasConsumidor());
    // The list reads the neighbourhood's fee and time with the consumer.
    m_tela.anotaEntrega(*lista);
    mostraTipoVenda();
}
