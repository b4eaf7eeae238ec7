#include "ConsumerGenerator.h"

#include "DemoData.h"
#include "ReferenceData.h"

#include "toolkit/TextRules.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <iterator>

namespace kvt::db {

namespace {

const char *const kNomes[] = {
    "Ana",     "Maria",     "Juliana", "Fernanda", "Patrícia",  "Aline",     "Camila",  "Amanda",
    "Bruna",   "Letícia",   "Beatriz", "Larissa",  "Gabriela",  "Mariana",   "Vanessa", "Renata",
    "Luana",   "Francisca", "Antônia", "Adriana",  "Sônia",     "Cláudia",   "Débora",  "Heloísa",
    "Júlia",   "José",      "João",    "Antônio",  "Francisco", "Carlos",    "Paulo",   "Pedro",
    "Lucas",   "Luiz",      "Marcos",  "Luís",     "Gabriel",   "Rafael",    "Daniel",  "Marcelo",
    "Bruno",   "Eduardo",   "Felipe",  "Raimundo", "Rodrigo",   "Sebastião", "André",   "Fábio",
    "Gustavo", "Vinícius",  "Otávio",
};

const char *const kSobrenomes[] = {
    "Silva",   "Santos",     "Oliveira",  "Souza",      "Rodrigues", "Ferreira", "Alves",
    "Pereira", "Lima",       "Gomes",     "Costa",      "Ribeiro",   "Martins",  "Carvalho",
    "Almeida", "Lopes",      "Soares",    "Fernandes",  "Vieira",    "Barbosa",  "Rocha",
    "Dias",    "Nascimento", "Andrade",   "Moreira",    "Nunes",     "Marques",  "Machado",
    "Mendes",  "Freitas",    "Cardoso",   "Ramos",      "Gonçalves", "Santana",  "Teixeira",
    "Araújo",  "Pinto",      "Correia",   "Cavalcanti", "Monteiro",  "Barros",   "Azevedo",
    "Campos",  "Brandão",    "Conceição", "Magalhães",  "Falcão",    "Peixoto",  "Queiroz",
};

const char *const kPreposicoes[] = {"da", "dos", "de"};

const char *const kRuas[] = {
    "Rua das Flores",
    "Rua São João",
    "Avenida Brasil",
    "Rua Sete de Setembro",
    "Rua XV de Novembro",
    "Rua Tiradentes",
    "Rua Santos Dumont",
    "Avenida Getúlio Vargas",
    "Rua Duque de Caxias",
    "Rua Rui Barbosa",
    "Rua Castro Alves",
    "Rua Dom Pedro II",
    "Avenida Presidente Vargas",
    "Rua Marechal Deodoro",
    "Travessa da Paz",
    "Rua Bela Vista",
};

const char *const kComplementos[] = {
    "Apto 12", "Apto 101", "Apto 304", "Bloco B Apto 21", "Casa 2",
    "Fundos",  "Sala 5",   "Loja 1",   "Cobertura",
};

const char *const kReferencias[] = {
    "Próximo à padaria",      "Em frente à praça",    "Portão azul",  "Ao lado do mercado",
    "Esquina com a farmácia", "Casa de muro amarelo", "Interfone 12",
};

const char *const kDominios[] = {"example.com", "example.com.br", "example.net", "example.org"};

// The area codes of each state's telephones; the first is the capital's.
const QHash<QString, QList<int>> kDdd = {
    {"AC", {68}},
    {"AL", {82}},
    {"AP", {96}},
    {"AM", {92, 97}},
    {"BA", {71, 73, 74, 75, 77}},
    {"CE", {85, 88}},
    {"DF", {61}},
    {"ES", {27, 28}},
    {"GO", {62, 64}},
    {"MA", {98, 99}},
    {"MT", {65, 66}},
    {"MS", {67}},
    {"MG", {31, 32, 33, 34, 35, 37, 38}},
    {"PA", {91, 93, 94}},
    {"PB", {83}},
    {"PR", {41, 42, 43, 44, 45, 46}},
    {"PE", {81, 87}},
    {"PI", {86, 89}},
    {"RJ", {21, 22, 24}},
    {"RN", {84}},
    {"RS", {51, 53, 54, 55}},
    {"RO", {69}},
    {"RR", {95}},
    {"SC", {47, 48, 49}},
    {"SP", {11, 12, 13, 14, 15, 16, 17, 18, 19}},
    {"SE", {79}},
    {"TO", {63}},
};

// 3^18 is prime to 10^9, so index -> (A * index + B) mod 10^9 visits every nine-digit base once.
constexpr qint64 kCpfMultiplicador = 387420489;
constexpr qint64 kCpfDeslocamento = 271828182;
constexpr qint64 kCpfBases = 1000000000;
// The running numbers that the permutation sends to 000000000, 111111111, ... 999999999, in
// ascending order.
constexpr qint64 kCpfNumerosRepetidos[] = {95484355,  158362360, 320635557, 383513562, 482908754,
                                           545786759, 708059956, 770937961, 870333153, 933211158};

template <std::size_t N> QStringList toList(const char *const (&words)[N])
{
    QStringList list;
    for (const char *word : words)
        list.append(QString::fromUtf8(word));
    return list;
}

// E-mail addresses keep to ASCII: accents dropped, lower case.
QStringList ascii(const QStringList &words)
{
    QStringList list;
    for (const QString &word : words) {
        QString out;
        const QString decomposed = word.normalized(QString::NormalizationForm_D);
        for (const QChar c : decomposed) {
            if (c.unicode() < 128)
                out.append(c.toLower());
        }
        list.append(out);
    }
    return list;
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(text);
}

const QString kInsertConsumidor = QStringLiteral(
    "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, DTNASCCONS, NRCPFRESPCON, "
    "NRRGCONSUMID, DSEMAILCONS, NRTELECONS, NRTELE2CONS, NRCELULARCONS, DSENDECONS, NRENDECONS, "
    "DSCOMPLENDECONS, DSREFERENDECONS, NRCEPCONS, CDPAIS, SGESTADO, CDMUNICIPIO, CDBAIRRO, "
    "CDCCUSCLIE, CDTIPOCONS, IDTPVENDACONS, IDATUCONSUMI, IDSITCONSUMI, IDIMPCPFCUPOM, "
    "CDIDCONSUMID) VALUES ");
// One consumer's values: 23 bound, three fixed.
const QString kValoresConsumidor =
    QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'I', '1', "
                   "'S', ?)");
constexpr int kValoresPorConsumidor = 23;
// Consumers per INSERT: one statement for many rows spares PostgreSQL a round trip and SQLite a
// statement run per consumer (measured at 100,000: PostgreSQL 21 s to 8 s, SQLite 6 s to 4 s),
// well inside both products' limit on bound values.
constexpr int kConsumidoresPorInsert = 100;

QString insertDe(int consumidores)
{
    QStringList linhas;
    for (int i = 0; i < consumidores; ++i)
        linhas.append(kValoresConsumidor);
    return kInsertConsumidor + linhas.join(QStringLiteral(", "));
}

const QString kContaConsumidores = QStringLiteral("SELECT COUNT(*) FROM CONSUMIDOR");

} // namespace

ConsumerGenerator::ConsumerGenerator(const ReferenceData &ref, quint64 seed, qint64 primeiro)
    : m_ref(ref), m_rng(seed), m_index(primeiro), m_nomes(toList(kNomes)),
      m_nomesAscii(ascii(m_nomes)), m_sobrenomes(toList(kSobrenomes)),
      m_sobrenomesAscii(ascii(m_sobrenomes)), m_preposicoes(toList(kPreposicoes)),
      m_ruas(toList(kRuas)), m_complementos(toList(kComplementos)),
      m_referencias(toList(kReferencias)), m_dominios(toList(kDominios))
{
    const int filial = ref.municipioIndex(QLatin1String(kDemoEstadoFilial),
                                          QString::fromUtf8(kDemoMunicipioFilial));
    for (int i = 0; i < ref.ceps.size(); ++i) {
        if (ref.bairros.at(ref.ceps.at(i).bairro).municipio == filial)
            m_cepsFilial.append(i);
    }
    for (const ClienteDemo &c : clientesDemo())
        m_pesoTotal += c.peso;
}

QString ConsumerGenerator::digits(int count)
{
    QString out;
    out.reserve(count);
    for (int i = 0; i < count; ++i)
        out.append(QLatin1Char(char('0' + below(10))));
    return out;
}

QString ConsumerGenerator::cpfFor(qint64 index) const
{
    // The ten bases of one repeated digit give CPFs that are never issued. Their running numbers
    // are skipped rather than given a neighbour's base, which the neighbour itself would use.
    qint64 numero = index % (kCpfBases - qint64(std::size(kCpfNumerosRepetidos)));
    for (const qint64 repetido : kCpfNumerosRepetidos) {
        if (repetido <= numero)
            ++numero;
    }
    const qint64 base = (kCpfMultiplicador * numero + kCpfDeslocamento) % kCpfBases;
    const QString nove = QString::number(base).rightJustified(9, QLatin1Char('0'));
    return nove + kvt::text::cpfCheckDigits(nove);
}

QString ConsumerGenerator::telefoneMovel(const QString &estado)
{
    const auto found = kDdd.constFind(estado);
    const QList<int> &ddds =
        found != kDdd.cend() ? *found : kDdd.find(QStringLiteral("SP")).value();
    // Most people keep the capital's area code; the rest spread over the state.
    const int ddd = chance(70) ? ddds.first() : ddds.at(int(below(quint64(ddds.size()))));
    return QString::number(ddd) + QLatin1Char('9') + QString::number(6 + below(4)) + digits(7);
}

Consumidor ConsumerGenerator::next()
{
    Consumidor c;
    const qint64 index = m_index++;

    quint64 sorteio = below(quint64(m_pesoTotal));
    for (const ClienteDemo &cliente : clientesDemo()) {
        if (sorteio < quint64(cliente.peso)) {
            c.cdCliente = cliente.codigo;
            break;
        }
        sorteio -= quint64(cliente.peso);
    }

    c.cpf = cpfFor(index);
    // The code the data service's insert makes from a CPF.
    c.cdConsumidor = kvt::text::zeroFill(c.cpf, 21);

    const int primeiro = indexIn(m_nomes);
    const int sobrenome = indexIn(m_sobrenomes);
    c.nome = m_nomes.at(primeiro);
    if (chance(50))
        c.nome += QLatin1Char(' ') + pick(m_preposicoes) + QLatin1Char(' ') + pick(m_sobrenomes);
    c.nome += QLatin1Char(' ') + m_sobrenomes.at(sobrenome);

    if (chance(65)) {
        c.nascimento = QDate(1940, 1, 1).addDays(qint64(below(24100))); // up to 2005
    }
    if (chance(50)) {
        const QString rg = digits(8);
        c.rg = rg.left(2) + QLatin1Char('.') + rg.mid(2, 3) + QLatin1Char('.') + rg.mid(5) +
               QLatin1Char('-') + QString::number(below(10));
    }
    if (chance(40)) {
        c.email = m_nomesAscii.at(primeiro) + QLatin1Char('.') + m_sobrenomesAscii.at(sobrenome) +
                  QString::number(below(1000)) + QLatin1Char('@') + pick(m_dominios);
    }

    const int lugar = int(below(100));
    if (lugar < 85 && !m_ref.ceps.isEmpty()) {
        const int cep = (lugar < 60 && !m_cepsFilial.isEmpty())
                            ? m_cepsFilial.at(int(below(quint64(m_cepsFilial.size()))))
                            : int(below(quint64(m_ref.ceps.size())));
        const Cep &endereco = m_ref.ceps.at(cep);
        const Bairro &bairro = m_ref.bairros.at(endereco.bairro);
        const Municipio &municipio = m_ref.municipios.at(bairro.municipio);
        c.cep = endereco.numero;
        c.endereco = endereco.logradouro;
        c.estado = municipio.sgEstado;
        c.municipio = municipio.codigo;
        c.bairro = bairro.codigo;
    } else {
        const Municipio &municipio =
            m_ref.municipios.at(int(below(quint64(m_ref.municipios.size()))));
        c.endereco = pick(m_ruas);
        c.estado = municipio.sgEstado;
        c.municipio = municipio.codigo;
    }
    c.pais = QLatin1String(kCdPaisBrasil);
    c.numero = QString::number(1 + below(4999));
    if (chance(30))
        c.complemento = pick(m_complementos);
    if (chance(15))
        c.referencia = pick(m_referencias);

    c.telefone = telefoneMovel(c.estado);
    if (chance(20)) {
        c.telefone2 = c.telefone.left(2) + QString::number(2 + below(4)) + digits(7);
    }
    if (chance(30))
        c.celular = telefoneMovel(c.estado);

    c.tipoConsumidor = chance(90) ? QLatin1String(kDemoTipoConsumidor) : QStringLiteral("02");
    c.tipoVenda = chance(50) ? QStringLiteral("7") : QString::number(1 + below(6));
    return c;
}

namespace {
constexpr qint64 kProgressStep = 10000;
} // namespace

bool insertConsumers(QSqlDatabase &db, const ReferenceData &ref, qint64 count, quint64 seed,
                     QString &error, const std::function<void(qint64)> &progress)
{
    QSqlQuery contagem(db);
    if (!contagem.exec(kContaConsumidores) || !contagem.next()) {
        error = QStringLiteral("CONSUMIDOR: %1").arg(contagem.lastError().text());
        return false;
    }
    ConsumerGenerator gerador(ref, seed, contagem.value(0).toLongLong());
    contagem.finish();

    QSqlQuery query(db);
    int preparados = 0; // consumers of the statement `query` holds
    const QString centroCusto = QLatin1String(kDemoCentroCusto);
    for (qint64 feitos = 0; feitos < count;) {
        const int lote = int(qMin<qint64>(kConsumidoresPorInsert, count - feitos));
        if (lote != preparados) {
            if (!query.prepare(insertDe(lote))) {
                error = QStringLiteral("CONSUMIDOR: %1").arg(query.lastError().text());
                return false;
            }
            preparados = lote;
        }
        QString primeiro;
        for (int i = 0; i < lote; ++i) {
            const Consumidor c = gerador.next();
            if (i == 0)
                primeiro = c.cdConsumidor;
            const QVariant valores[] = {
                c.cdCliente,
                c.cdConsumidor,
                c.nome,
                c.nascimento.isValid() ? QVariant(c.nascimento)
                                       : QVariant(QMetaType::fromType<QDate>()),
                c.cpf,
                textOrNull(c.rg),
                textOrNull(c.email),
                c.telefone,
                textOrNull(c.telefone2),
                textOrNull(c.celular),
                c.endereco,
                c.numero,
                textOrNull(c.complemento),
                textOrNull(c.referencia),
                textOrNull(c.cep),
                c.pais,
                c.estado,
                c.municipio,
                textOrNull(c.bairro),
                centroCusto,
                c.tipoConsumidor,
                c.tipoVenda,
                c.cpf,
            };
            static_assert(std::size(valores) == kValoresPorConsumidor);
            for (int v = 0; v < kValoresPorConsumidor; ++v)
                query.bindValue(i * kValoresPorConsumidor + v, valores[v]);
        }
        if (!query.exec()) {
            error = QStringLiteral("CONSUMIDOR %1 (and the %2 after it): %3")
                        .arg(primeiro)
                        .arg(lote - 1)
                        .arg(query.lastError().text());
            return false;
        }
        const qint64 antes = feitos;
        feitos += lote;
        if (progress && (feitos / kProgressStep != antes / kProgressStep || feitos == count))
            progress(feitos);
    }
    return true;
}

} // namespace kvt::db
