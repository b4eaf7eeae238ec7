#include "ReferenceData.h"

#include <QFile>
#include <QSet>
#include <QStringList>

namespace kvt::db {

namespace {

constexpr int kLarguraNmMunicipio = 30;
constexpr int kLarguraCdBairro = 10;

struct Abreviacao
{
    const char *nome;
    const char *abreviado;
};

// The only IBGE names longer than NMMUNICIPIO; listed in db/demo/SOURCE.md as well.
const Abreviacao kAbreviacoes[] = {
    {"São Francisco de Assis do Piauí", "S. Francisco de Assis do Piauí"},
    {"Vila Bela da Santíssima Trindade", "Vila Bela da Sant. Trindade"},
};

// A CSV file of the demo folder: header checked, rows split on commas (the files hold no
// quoted fields, and a quote is refused rather than misread).
bool readCsv(const QString &path, const QStringList &header, QList<QStringList> &rows,
             QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    const QStringList lines =
        QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty() || lines.first().trimmed().split(QLatin1Char(',')) != header) {
        error =
            QStringLiteral("%1: expected the header %2").arg(path, header.join(QLatin1Char(',')));
        return false;
    }
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const QStringList fields = line.split(QLatin1Char(','));
        if (line.contains(QLatin1Char('"')) || fields.size() != header.size()) {
            error = QStringLiteral("%1:%2: expected %3 plain fields")
                        .arg(path)
                        .arg(i + 1)
                        .arg(header.size());
            return false;
        }
        rows.append(fields);
    }
    return true;
}

bool isDigits(const QString &text, int length)
{
    if (text.size() != length)
        return false;
    for (const QChar c : text) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

QString sourcePath(const QString &dir, const char *file)
{
    return (dir.isEmpty() ? QStringLiteral(":/demo") : dir) + QLatin1Char('/') +
           QLatin1String(file);
}

} // namespace

QString nomeMunicipioAbreviado(const QString &nome)
{
    for (const Abreviacao &a : kAbreviacoes) {
        if (nome == QString::fromUtf8(a.nome))
            return QString::fromUtf8(a.abreviado);
    }
    return nome;
}

QString codigoMunicipio(const QString &codigoIbge)
{
    return codigoIbge.right(4);
}

int ReferenceData::municipioIndex(const QString &sgEstado, const QString &nome) const
{
    return m_municipioByName.value(sgEstado + QLatin1Char('|') + nome, -1);
}

bool ReferenceData::load(QString &error, const QString &dir)
{
    *this = ReferenceData();

    QList<QStringList> rows;
    if (!readCsv(sourcePath(dir, "estados.csv"),
                 {QStringLiteral("SGESTADO"), QStringLiteral("NMESTADO"),
                  QStringLiteral("CDUFIBGE"), QStringLiteral("REGIAO")},
                 rows, error))
        return false;
    QHash<QString, QString> ufIbge; // state abbreviation -> the two leading IBGE digits
    for (const QStringList &r : qAsConst(rows)) {
        if (r.at(0).size() != 2 || r.at(1).size() > 30 || !isDigits(r.at(2), 2)) {
            error = QStringLiteral("estados.csv: invalid state %1").arg(r.join(QLatin1Char(',')));
            return false;
        }
        estados.append({r.at(0), r.at(1)});
        ufIbge.insert(r.at(0), r.at(2));
    }

    rows.clear();
    if (!readCsv(sourcePath(dir, "municipios.csv"),
                 {QStringLiteral("CDMUNICIBGE"), QStringLiteral("NMMUNICIPIO"),
                  QStringLiteral("SGESTADO")},
                 rows, error))
        return false;
    QSet<QString> codigos;
    for (const QStringList &r : qAsConst(rows)) {
        const QString &ibge = r.at(0);
        const QString &uf = r.at(2);
        if (!isDigits(ibge, 7) || !ufIbge.contains(uf) || !ibge.startsWith(ufIbge.value(uf))) {
            error = QStringLiteral("municipios.csv: invalid municipality %1")
                        .arg(r.join(QLatin1Char(',')));
            return false;
        }
        const QString nome = nomeMunicipioAbreviado(r.at(1));
        if (nome.size() > kLarguraNmMunicipio) {
            error = QStringLiteral("municipios.csv: \"%1\" is longer than %2 characters and has no "
                                   "abbreviation")
                        .arg(nome)
                        .arg(kLarguraNmMunicipio);
            return false;
        }
        const QString codigo = codigoMunicipio(ibge);
        const QString chave = uf + QLatin1Char('|') + codigo;
        if (codigos.contains(chave)) {
            error = QStringLiteral("municipios.csv: code %1 repeats within %2").arg(codigo, uf);
            return false;
        }
        codigos.insert(chave);
        // The index keeps the full name, so bairros.csv can name every city as IBGE does.
        m_municipioByName.insert(uf + QLatin1Char('|') + r.at(1), municipios.size());
        municipios.append({uf, codigo, nome, ibge});
    }

    rows.clear();
    if (!readCsv(sourcePath(dir, "bairros.csv"),
                 {QStringLiteral("SGESTADO"), QStringLiteral("NMMUNICIPIO"),
                  QStringLiteral("NMBAIRRO"), QStringLiteral("NRCEP"), QStringLiteral("DSLOGCEP"),
                  QStringLiteral("VRTXENTREGA"), QStringLiteral("QTHORAENTREGA")},
                 rows, error))
        return false;
    QHash<QString, int> bairroByName; // "municipio index|name"
    QHash<int, int> bairrosPorMunicipio;
    QSet<QString> numeros;
    for (const QStringList &r : qAsConst(rows)) {
        const int municipio = municipioIndex(r.at(0), r.at(1));
        bool taxaOk = false;
        const double taxa = r.at(5).toDouble(&taxaOk);
        if (municipio < 0 || r.at(2).isEmpty() || r.at(2).size() > 50 || !isDigits(r.at(3), 8) ||
            numeros.contains(r.at(3)) || r.at(4).size() > 50 || !taxaOk || !isDigits(r.at(6), 4)) {
            error = QStringLiteral("bairros.csv: invalid row %1").arg(r.join(QLatin1Char(',')));
            return false;
        }
        numeros.insert(r.at(3));
        const QString chave = QString::number(municipio) + QLatin1Char('|') + r.at(2);
        int bairro = bairroByName.value(chave, -1);
        if (bairro < 0) {
            const int sequencia = ++bairrosPorMunicipio[municipio];
            bairro = bairros.size();
            bairros.append(
                {municipio,
                 QString::number(sequencia).rightJustified(kLarguraCdBairro, QLatin1Char('0')),
                 r.at(2), taxa, r.at(6)});
            bairroByName.insert(chave, bairro);
        }
        ceps.append({r.at(3), r.at(4), bairro});
    }
    return true;
}

} // namespace kvt::db
