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

} // namespace cadcons
