#include "CadConsTabelas.h"

#include <QHash>

namespace {

kvt::FieldDef texto(const char *nome, int tamanho, const char *rotulo = nullptr,
                    bool oculto = false, int largura = 0)
{
    kvt::FieldDef f = kvt::stringField(QString::fromLatin1(nome), tamanho,
                                       rotulo ? QString::fromUtf8(rotulo) : QString(), oculto);
    f.displayWidth = largura;
    return f;
}

kvt::FieldDef flutuante(const char *nome, bool oculto)
{
    kvt::FieldDef f;
    f.name = QString::fromLatin1(nome);
    f.type = kvt::FieldType::Float;
    f.hidden = oculto;
    return f;
}

} // namespace

namespace cadcons {

QList<kvt::FieldDef> colunasProjeto(const QString &tabela)
{
    static const char *const codigo = "Código";
    static const char *const nome = "Nome";
    // Built on each call: the form asks once per table when it is created.
    const QHash<QString, QList<kvt::FieldDef>> colunas = {
        {QStringLiteral("cdsPais"), {texto("CDPAIS", 4, codigo), texto("NMPAIS", 50, nome)}},
        {QStringLiteral("cdsEstado"), {texto("SGESTADO", 2, codigo), texto("NMESTADO", 50, nome)}},
        {QStringLiteral("cdsMunicipio"),
         {texto("CDMUNICIPIO", 4, codigo, false, 4), texto("NMMUNICIPIO", 50, nome)}},
        {QStringLiteral("cdsBairro"),
         {texto("CDBAIRRO", 10, codigo), texto("NMBAIRRO", 50, nome),
          flutuante("VRTXENTREGA", true), texto("QTHORAENTREGA", 4, nullptr, true)}},
        {QStringLiteral("cdsTipoVenda"),
         {texto("CDTIPOVENDA", 1, codigo), texto("NMTIPOVENDA", 60, nome)}},
        {QStringLiteral("cdsPais_Estado"),
         {texto("CDPAIS", 4, nullptr, true), texto("SGESTADO", 2, nullptr, true),
          texto("NMPAIS", 30, nullptr, true)}},
        {QStringLiteral("cdsMunicipioIBGE"),
         {texto("CDPAIS", 4), texto("NMPAIS", 30), texto("SGESTADO", 2), texto("NMESTADO", 30),
          texto("CDMUNICIPIO", 4), texto("NMMUNICIPIO", 30)}},
        {QStringLiteral("cdsEstadoViaCEP"), {texto("SGESTADO", 2), texto("NMESTADO", 30)}},
        {QStringLiteral("cdsMunicipioViaCep"), {texto("CDMUNICIPIO", 4), texto("NMMUNICIPIO", 30)}},
        {QStringLiteral("cdsBairroViaCep"), {texto("CDBAIRRO", 10), texto("NMBAIRRO", 50)}},
        {QStringLiteral("cdsConsultaViaCEP"),
         {texto("NRCEP", 20), texto("DSLOGRADOURO", 200), texto("DSCOMPLEMENTO", 100),
          texto("NMBAIRRO", 200), texto("NMMUNICIPIO", 200), texto("SGESTADO", 2),
          texto("CDMUNICIBGE", 10), texto("CDGIA", 20), texto("DDD", 5), texto("CDSIAFI", 10)}},
    };
    return colunas.value(tabela);
}

QStringList linhasMensagens()
{
    return {
        QStringLiteral("CDCUSCLIE_NULL| Operação bloqueada. Não há centro de custo cadastrado."),
        QStringLiteral("ESTADO_NCAD|Não há estado cadastrado para o país informado."),
        QStringLiteral("MUNICIPIO_NCAD|Não há município cadastrado para o estado informado."),
        QStringLiteral("PAIS_NCAD|País não cadastrado."),
        QStringLiteral("BAIRRO_NCAD|Não há bairro cadastrado para o município informado."),
        QStringLiteral("NONINF|Nome do consumidor deve ser informado."),
        QStringLiteral("DTINF|Data de nascimento deve ser informada."),
        QStringLiteral("DATA_INV|Data de nascimento inválida."),
        QStringLiteral("IDENTIDADEINF|Número de identidade deve ser informado."),
        QStringLiteral("EMAILINF|Email deve ser informado."),
        QStringLiteral("TELEFONEINF|Número de telefone deve ser informado."),
        QStringLiteral("ENDINF|Endereço deve ser informado."),
        QStringLiteral("CEPINF|CEP deve ser informado."),
        QStringLiteral("PAISINF|País deve ser informado."),
        QStringLiteral("ESTADOINF|Estado deve ser informado."),
        QStringLiteral("NUMEROINF|Número deve ser informado."),
        QStringLiteral("MUNIINF|Município deve ser informado."),
        QStringLiteral("BAIRROINF|Bairro deve ser informado."),
        QStringLiteral("REFEINF|Ponto de refêrencia deve ser informado."),
        QStringLiteral("PAIS_NCA|País não cadastrado."),
        QStringLiteral("DATA_NCAD|Data de nascimento deve ser informada."),
        QStringLiteral("CPF_NCAD|Número de Cpf inválido."),
        QStringLiteral("ESTADO_NCAD2|Estado não cadastrado."),
        QStringLiteral("MUNI_NCAD2|Município não cadastrado."),
        QStringLiteral("BAIRRO_NCAD2|Bairro não cadastrado."),
        QStringLiteral("SAIR|Deseja cancelar a operação?"),
        QStringLiteral("OPERACAO_OK|Operação realizada com sucesso."),
        QStringLiteral("TELEFONE_CAD|Número de telefone já cadastrado para o consumidor \" %s \"."),
        QStringLiteral("CONS_CAD|Operação bloqueada. Número de identidade já cadastrado para outro "
                       "consumidor."),
        QStringLiteral("CPF_INV|Cpf inválido."),
        QStringLiteral("CPF_CAD|Número de Cpf já cadastrado para o consumidor %s."),
        QStringLiteral("RG_CAD|Número de identidade já cadastrado para o consumidor \" %s \"."),
        QStringLiteral("FISCAL|F1 Menu Fiscal"),
        QStringLiteral("IDCAD|Número de identidade já cadastrado."),
        QStringLiteral("RGINF|Número de identidade deve ser informado."),
        QStringLiteral("DATA_MENOR|Não é Possivel cadastrar um consumidor com a Data de Nascimento "
                       "menor que 01/01/1900"),
        QStringLiteral("CEPINV|Filial não atende o CEP informado."),
        QStringLiteral("CEPNINF|Número do CEP deve ser informado."),
        QStringLiteral("CONSTELJACAD|Já existe um consumidor cadastrado com o número de telefone "
                       "informado."),
    };
}

} // namespace cadcons
