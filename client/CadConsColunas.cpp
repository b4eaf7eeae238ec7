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

std::vector<ColunaCampo> colunasDe(std::initializer_list<int> campos)
{
    std::vector<ColunaCampo> colunas;
    for (const int numero : campos) {
        const CampoDef &campo = campoDef(numero);
        if (campo.coluna)
            colunas.push_back({campo.coluna, campo.numero});
        if (campo.colunaNome)
            colunas.push_back({campo.colunaNome, campo.campoNome});
    }
    return colunas;
}

const std::vector<ColunaCampo> &colunasConsumidor()
{
    static const std::vector<ColunaCampo> colunas = [] {
        std::vector<ColunaCampo> todas;
        for (const CampoDef &campo : kCampos) {
            const std::vector<ColunaCampo> doCampo = colunasDe({campo.numero});
            todas.insert(todas.end(), doCampo.begin(), doCampo.end());
        }
        return todas;
    }();
    return colunas;
}

const QStringList &colunasTelefone()
{
    static const QStringList colunas = [] {
        QStringList telefones;
        for (const CampoDef &campo : kCampos) {
            if (campo.telefone)
                telefones << QString::fromLatin1(campo.coluna);
        }
        return telefones;
    }();
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
