#include "CadConsEntrega.h"

#include "toolkit/DataSet.h"

#include <QLocale>

#include <cmath>

namespace {

// The column's value in the current row; null when the row has no such column.
QVariant coluna(const kvt::DataSet &origem, const char *nome)
{
    const QString n = QString::fromLatin1(nome);
    return origem.fieldIndex(n) < 0 ? QVariant() : origem.fieldValue(n);
}

// The minutes without leading zeros; empty for a blank time or one that is no number.
QString minutos(const QVariant &qtHoraEntrega)
{
    const QString texto = qtHoraEntrega.isNull() ? QString() : qtHoraEntrega.toString().trimmed();
    for (const QChar c : texto) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return {};
    }
    qsizetype zeros = 0;
    while (zeros + 1 < texto.size() && texto.at(zeros) == QLatin1Char('0'))
        ++zeros;
    return texto.mid(zeros);
}

} // namespace

QString CadConsEntrega::linha(const QVariant &vrTxEntrega, const QVariant &qtHoraEntrega)
{
    bool numero = false;
    const double taxa = vrTxEntrega.isNull() ? 0 : vrTxEntrega.toDouble(&numero);
    if (!numero || !std::isfinite(taxa))
        return QStringLiteral("Entrega: taxa não cadastrada");
    QString texto = QStringLiteral("Entrega: R$ ") +
                    QLocale(QLocale::Portuguese, QLocale::Brazil).toString(taxa, 'f', 2);
    const QString tempo = minutos(qtHoraEntrega);
    if (!tempo.isEmpty())
        texto += QStringLiteral(" · ") + tempo + QStringLiteral(" min");
    return texto;
}

void CadConsEntrega::anota(const kvt::DataSet &origem, const QString &cdBairro)
{
    m_cdBairro = cdBairro;
    m_linha = origem.hasCurrent()
                  ? linha(coluna(origem, "VRTXENTREGA"), coluna(origem, "QTHORAENTREGA"))
                  : QString();
}

QString CadConsEntrega::linhaPara(const QString &cdBairro) const
{
    return cdBairro.trimmed().isEmpty() || cdBairro != m_cdBairro ? QString() : m_linha;
}
