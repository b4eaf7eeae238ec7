#include "CadConsColunas.h"

#include "CadConsMascara.h"
#include "host/HostZet.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"

#include <QDate>
#include <QDateTime>

namespace cadcons {

void copiaColunas(CadConsEdicao::Textos &textos, const kvt::DataSet &origem,
                  const std::vector<ColunaCampo> &colunas)
{
    for (const ColunaCampo &c : colunas)
        origem.fieldByName(QString::fromLatin1(c.coluna));
    // Not its position: after a look-up the list would count the rows before it.
    if (!origem.hasCurrent())
        return;
    for (const ColunaCampo &c : colunas) {
        const QVariant valor = origem.fieldValue(QString::fromLatin1(c.coluna));
        QString texto;
        if (valor.typeId() == QMetaType::QDate)
            texto = valor.toDate().toString(QStringLiteral("dd/MM/yyyy"));
        else if (valor.typeId() == QMetaType::QDateTime)
            texto = valor.toDateTime().date().toString(QStringLiteral("dd/MM/yyyy"));
        else if (!valor.isNull())
            texto = valor.toString();
        textos.setTexto(c.campo, texto);
    }
}

void limpa(CadConsEdicao::Textos &textos, std::initializer_list<int> campos)
{
    for (const int campo : campos)
        textos.setTexto(campo, QString());
}

void carrega(kvt::MemTable &tabela, const QVariant &resultado, const QString &funcao)
{
    if (resultado.typeId() == QMetaType::QString)
        throw kvt::Exception(resultado.toString());
    tabela.loadFromPacket(resultado.toByteArray(), funcao);
}

const std::vector<ColunaCampo> &colunasConsumidor()
{
    static const std::vector<ColunaCampo> colunas = {
        {"NMCONSUMIDOR", NmConsumidor},
        {"CDPAIS", CodPais},
        {"NMPAIS", NmPais},
        {"SGESTADO", Estado},
        {"NRCEPCONS", Cep},
        {"NRTELECONS", Telefone},
        {"NRTELE2CONS", Telefone2},
        {"NRCELULARCONS", Celular},
        {"DTNASCCONS", DtNasc},
        {"NRENDECONS", Numero},
        {"DSCOMPLENDECONS", Complemento},
        {"DSENDECONS", Endereco},
        {"CDMUNICIPIO", CodMuni},
        {"NMMUNICIPIO", NmMuni},
        {"CDBAIRRO", Bairro},
        {"NMBAIRRO", NmBairro},
        {"NRCPFRESPCON", Cpf},
        {"NRRGCONSUMID", Identidade},
        {"DSREFERENDECONS", Referencia},
        {"DSEMAILCONS", Email},
    };
    return colunas;
}

const QStringList &colunasTelefone()
{
    static const QStringList colunas{QStringLiteral("NRTELECONS"), QStringLiteral("NRTELE2CONS"),
                                     QStringLiteral("NRCELULARCONS")};
    return colunas;
}

QStringList formasTelefone(const QString &telefone)
{
    QStringList formas{telefone};
    const QString digitos = SoNumerosStr(telefone);
    if (!digitos.isEmpty())
        formas << digitos << Mascara(digitos, mascaraTelefone());
    formas.removeDuplicates();
    return formas;
}

} // namespace cadcons
