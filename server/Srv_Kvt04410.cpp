#include "server/Srv_Kvt04410.h"

#include "server/ConnectionString.h"
#include "server/ConsumerList.h"
#include "server/Dialect.h"
#include "server/ResultPacket.h"
#include "server/Retry.h"
#include "server/SrvStatements.h"
#include "server/Statement.h"
#include "server/TrdmInsereConsumidorPrivate.h"

#include "host/DbProduct.h"
#include "host/HostZet.h"
#include "toolkit/DataPacket.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"
#include "toolkit/ShortDate.h"
#include "toolkit/TextRules.h"

#include <QDate>
#include <QPointer>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <utility>

TrdmInsereConsumidor *rdmInsereConsumidor = nullptr;

namespace {

constexpr int kLarguraConsumidor = 21;

ListaConsumidores listaConsumidores = ListaConsumidores::Banco;

QString messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const kvt::Exception *>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

using Statements = TrdmInsereConsumidor::Private::Statements;

Statements &statements()
{
    if (!rdmInsereConsumidor)
        throw kvt::Exception(QStringLiteral("O módulo de dados não foi criado."));
    return rdmInsereConsumidor->d().open();
}

// Runs the body; when it fails because the connection was lost, connects again and runs it
// once more.
template <typename Body> auto withReconnect(Body &&body) -> decltype(body())
{
    return srv::onceMoreAfterReconnect(std::forward<Body>(body),
                                       [] { return reconnectIfLost(rdmInsereConsumidor); });
}

// The common frame: result cleared, the body's value or the text of what stopped it, status 0.
template <typename Body> int resultFrame(QVariant &resultado, Body &&body)
{
    resultado = QVariant();
    try {
        resultado = withReconnect(std::forward<Body>(body));
    } catch (const std::exception &error) {
        resultado = messageOf(error);
    }
    return 0;
}

template <typename Body> QVariant addressFrame(Body &&body)
{
    QVariant resultado;
    resultFrame(resultado, std::forward<Body>(body));
    return resultado;
}

QVariant packetOf(srv::Statement &statement, const srv::Values &values)
{
    return srv::run(statement, values,
                    [](QSqlQuery &query) { return kvt::DataPacket::write(resultPacket(query)); });
}

bool hasRow(srv::Statement &statement, const srv::Values &values)
{
    return srv::run(statement, values, [](QSqlQuery &query) { return query.next(); });
}

// The screen's "dd/MM/yyyy"; an empty date (also a bare mask) is NULL.
QVariant birthDate(const QString &text)
{
    if (SoNumerosStr(text).isEmpty())
        return QVariant(QMetaType::fromType<QDate>());
    const QDate date = kvt::parseShortDate(text);
    if (!date.isValid())
        throw kvt::Exception(QStringLiteral("Data de nascimento inválida: %1").arg(text));
    return date;
}

QString tipoVenda(const QString &text)
{
    return EmptyString(text) ? QStringLiteral("7") : text;
}

QString sqlError(const QSqlError &error)
{
    return error.text().trimmed();
}

// The save's transaction: begun on construction, rolled back unless committed, whatever way
// the save ends. SQLite hands out its write lock at a transaction's first write, and in WAL mode
// one that has read by then fails at once with "database is locked" if another terminal wrote
// meanwhile, whatever the busy timeout says; its dialect takes the lock first instead, so a
// save waits for it.
class SaveTransaction
{
public:
    explicit SaveTransaction(QSqlDatabase &db) : m_db(db)
    {
        const char *begin = srv::dialectOf(dbProduct(db)).beginSave;
        if (*begin == 0) {
            if (!db.transaction())
                m_error = sqlError(db.lastError());
        } else {
            QSqlQuery query(db);
            if (!query.exec(QString::fromLatin1(begin)))
                m_error = sqlError(query.lastError());
        }
        m_open = m_error.isEmpty();
    }
    ~SaveTransaction()
    {
        if (m_open)
            m_db.rollback();
    }
    SaveTransaction(const SaveTransaction &) = delete;
    SaveTransaction &operator=(const SaveTransaction &) = delete;

    // Why it could not begin; empty when it did.
    const QString &error() const { return m_error; }
    // Empty, or the driver's text.
    QString commit() { return end(m_db.commit()); }
    QString rollback() { return end(m_db.rollback()); }

private:
    QString end(bool done)
    {
        m_open = false;
        return done ? QString() : sqlError(m_db.lastError());
    }

    QSqlDatabase &m_db;
    QString m_error;
    bool m_open = false;
};

// What one save works out from its arguments before it writes.
struct Save
{
    explicit Save(const ConsumidorArgs &a)
        : args(a), novo(EmptyString(a.P_CDCONSUMIDOR)),
          origem(EmptyString(a.P_NRCPFRESPCONS) ? SoNumerosStr(a.P_NRTELECONS) : a.P_NRCPFRESPCONS),
          codigo(novo ? AjustaKvt(origem, kLarguraConsumidor) : a.P_CDCONSUMIDOR)
    {
    }

    // An edit without a capture on the screen keeps the stored prints.
    bool digitais() const { return novo || args.digitalCapturada; }
    // The stored consumer a new one would repeat.
    srv::Values duplicata() const
    {
        return {{"P_CDCLIENTE", args.P_CDCLIENTE},
                {"P_CDCONSUMIDOR", AjustaKvt(args.P_NRCPFRESPCONS, kLarguraConsumidor)},
                {"P_NRTELECONS", args.P_NRTELECONS}};
    }

    const ConsumidorArgs &args;
    const bool novo;
    // A new consumer's CDIDCONSUMID: his CPF, or his telephone's digits without one.
    const QString origem;
    // The CDCONSUMIDOR written.
    const QString codigo;
};

// IDATUCONSUMI of the row written: "I" for a new consumer or one stored so, "A" otherwise.
QString marcador(Statements &st, const ConsumidorArgs &a)
{
    return srv::run(
        st.adqPesqIdAtu, {{"P_CDCLIENTE", a.P_CDCLIENTE}, {"P_CDCONSUMIDOR", a.P_CDCONSUMIDOR}},
        [](QSqlQuery &query) {
            const bool incluido = !query.next() || query.value(0).toString() == QLatin1String("I");
            return incluido ? QStringLiteral("I") : QStringLiteral("A");
        });
}

// The insert's or the update's values, as kConsumidorColumns says; a birth date that is no date
// raises.
srv::Values valores(const Save &save, const QString &marcador)
{
    srv::Values values;
    for (const ConsumidorColumn &column : kConsumidorColumns) {
        const QString &texto = save.args.*column.argument;
        QVariant value = texto;
        switch (column.gravacao) {
        case Gravacao::Texto:
            break;
        case Gravacao::Digitos:
            value = SoNumerosStr(texto);
            break;
        case Gravacao::Data:
            value = birthDate(texto);
            break;
        case Gravacao::Codigo:
            value = save.codigo;
            break;
        case Gravacao::Digital:
            if (!save.digitais())
                continue;
            break;
        case Gravacao::TipoVenda:
            value = tipoVenda(texto);
            break;
        }
        values.append({QStringLiteral("P_") + QLatin1String(column.column), value});
    }
    values.append({QStringLiteral("P_IDATUCONSUMI"), marcador});
    if (save.novo)
        values.append({QStringLiteral("P_CDIDCONSUMID"), save.origem});
    return values;
}

// The save's writes inside its transaction: nothing for a new consumer stored already, the
// insert or the update otherwise. `inserindo` tells whether the insert was sent.
void grava(Statements &st, const Save &save, bool &inserindo)
{
    const QString atualizacao = marcador(st, save.args);
    if (save.novo && hasRow(st.adqPesqCons, save.duplicata()))
        return;
    // Read only for the row written: a duplicate is no failure whatever its date says.
    const srv::Values values = valores(save, atualizacao);
    srv::Statement &command = save.novo         ? st.acmInsCons
                              : save.digitais() ? st.acmUpdCons
                                                : st.acmUpdConsSemDigital;
    inserindo = save.novo;
    const int escritas =
        srv::run(command, values, [](QSqlQuery &query) { return query.numRowsAffected(); });
    // An update that met no row wrote nothing: never a success.
    if (!save.novo && escritas == 0)
        throw kvt::Exception(
            consumidorNaoEncontrado(save.args.P_CDCLIENTE, save.args.P_CDCONSUMIDOR));
}

// Another terminal stored the same new consumer between the look-up and the insert, and the
// insert broke on the key. Which error code says so differs per product and driver, so the
// table itself is asked again, outside the failed transaction: the consumer found under the
// duplicate rule is a success, one found only under its code is a clear refusal, and nothing
// found leaves the insert's own error.
QVariant depoisDaInsercaoRecusada(Statements &st, const Save &save, const QString &erro)
{
    try {
        if (hasRow(st.adqPesqCons, save.duplicata()))
            return QVariant();
        if (hasRow(st.adqPesqIdAtu,
                   {{"P_CDCLIENTE", save.args.P_CDCLIENTE}, {"P_CDCONSUMIDOR", save.codigo}}))
            return consumidorJaCadastrado(save.codigo);
    } catch (const std::exception &) {
        // The connection is gone too: the insert's error says more.
    }
    return erro;
}

} // namespace

QString consumidorNaoEncontrado(const QString &cdCliente, const QString &cdConsumidor)
{
    return QStringLiteral("O consumidor de código %1 do cliente %2 não foi encontrado; nada foi "
                          "gravado.")
        .arg(cdConsumidor, cdCliente);
}

QString consumidorJaCadastrado(const QString &cdConsumidor)
{
    return QStringLiteral("O consumidor de código %1 já está cadastrado; ele não foi gravado de "
                          "novo.")
        .arg(cdConsumidor);
}

bool reconnectIfLost(TrdmInsereConsumidor *module)
{
    if (!module)
        return false;
    if (module->connected() && srv::connectionAnswers(module->d().database()))
        return false;
    module->connectDatabase();
    return true;
}

TrdmInsereConsumidor::Private::Statements::Statements(const QSqlDatabase &db)
    : adqPesqCons(db, QString::fromLatin1(srv::kPesqCons)),
      adqConsPorTel(db, QString::fromLatin1(srv::kConsPorTel)),
      adqPesqIdAtu(db, QString::fromLatin1(srv::kPesqIdAtu)),
      acmInsCons(db, QString::fromLatin1(srv::kInsCons)),
      acmUpdCons(db, QString::fromLatin1(srv::kUpdCons)),
      acmUpdConsSemDigital(db, QString::fromLatin1(srv::kUpdConsSemDigital)),
      adqPais(db, QString::fromLatin1(srv::kPais)),
      adqEstado(db, QString::fromLatin1(srv::kEstado)),
      adqMunicipio(db, QString::fromLatin1(srv::kMunicipio)),
      adqBairro(db, QString::fromLatin1(srv::kBairro)),
      adqEndeFili(db, QString::fromLatin1(srv::kEndeFili)),
      adqFilialCep(db, QString::fromLatin1(srv::kFilialCep)),
      adqInfCEP(db, QString::fromLatin1(srv::kInfCEP)),
      adqMunicipioIBGE(db, QString::fromLatin1(srv::kMunicipioIBGE)),
      adqEstadoViaCEP(db, QString::fromLatin1(srv::kEstadoViaCEP)),
      adqMunicipioViaCEP(db, QString::fromLatin1(srv::kMunicipioViaCEP)),
      adqBairroViaCEP(db, QString::fromLatin1(srv::kBairroViaCEP)),
      adqExisteConsumidor(db, QString::fromLatin1(srv::kExisteConsumidor)),
      adqTodosCons(db, srv::ListStatement(srv::dialectOf(dbProduct(db)), {}).text())
{
}

Statements &TrdmInsereConsumidor::Private::open()
{
    if (!statements || !database().isOpen())
        throw kvt::Exception(QStringLiteral("O módulo de dados não está conectado."));
    return *statements;
}

void TrdmInsereConsumidor::Private::release()
{
    todosCons.reset();
    statements.reset();
    if (QSqlDatabase::contains(connectionName)) {
        database().close();
        QSqlDatabase::removeDatabase(connectionName);
    }
}

TrdmInsereConsumidor::TrdmInsereConsumidor(QObject *owner)
    : QObject(owner), m_d(std::make_unique<Private>())
{
    // One name per data module, so two of them never share a connection.
    m_d->connectionName =
        QStringLiteral("adcInsereConsumidor_%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
}

TrdmInsereConsumidor::~TrdmInsereConsumidor()
{
    m_d->release();
    if (rdmInsereConsumidor == this)
        rdmInsereConsumidor = nullptr;
}

void TrdmInsereConsumidor::connectDatabase()
{
    m_d->release();
    // adcInsereConsumidorBeforeConnect: the host's connection string, every time.
    QSqlDatabase db = openDatabase(_GetStringConexZet(QString()), m_d->connectionName);
    try {
        // adcInsereConsumidorAfterConnect.
        SetADODBSession(db);
    } catch (...) {
        db = QSqlDatabase();
        m_d->release();
        throw;
    }
    m_d->statements.emplace(db);
}

bool TrdmInsereConsumidor::connected() const
{
    return m_d->statements.has_value() && m_d->database().isOpen();
}

QString TrdmInsereConsumidor::connectionName() const
{
    return m_d->connectionName;
}

DataModuleScope::DataModuleScope()
    : m_previous(rdmInsereConsumidor), m_module(std::make_unique<TrdmInsereConsumidor>())
{
    rdmInsereConsumidor = m_module.get();
}

DataModuleScope::~DataModuleScope()
{
    m_module.reset();
    rdmInsereConsumidor = m_previous;
}

QString AjustaKvt(const QString &stString, int inTamStr)
{
    return kvt::text::zeroFill(stString, inTamStr);
}

int getPais(const QString &P_CDPAIS, const QString &P_TODOS, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return packetOf(statements().adqPais, {{"P_CDPAIS", P_CDPAIS}, {"P_TODOS", P_TODOS}});
    });
}

int getEstado(const QString &P_SGESTADO, const QString &P_CDPAIS, const QString &P_TODOS,
              QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return packetOf(statements().adqEstado,
                        {{"P_CDPAIS", P_CDPAIS}, {"P_TODOS", P_TODOS}, {"P_SGESTADO", P_SGESTADO}});
    });
}

int getMunicipio(const QString &P_CDMUNICIPIO, const QString &P_SGESTADO, const QString &P_CDPAIS,
                 const QString &P_TODOS, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return packetOf(statements().adqMunicipio, {{"P_CDPAIS", P_CDPAIS},
                                                    {"P_TODOS", P_TODOS},
                                                    {"P_SGESTADO", P_SGESTADO},
                                                    {"P_CDMUNICIPIO", P_CDMUNICIPIO}});
    });
}

int getBairro(const QString &P_CDBAIRRO, const QString &P_CDMUNICIPIO, const QString &P_SGESTADO,
              const QString &P_CDPAIS, const QString &P_TODOS, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return packetOf(statements().adqBairro, {{"P_CDPAIS", P_CDPAIS},
                                                 {"P_TODOS", P_TODOS},
                                                 {"P_SGESTADO", P_SGESTADO},
                                                 {"P_CDMUNICIPIO", P_CDMUNICIPIO},
                                                 {"P_CDBAIRRO", P_CDBAIRRO}});
    });
}

int getEndeFili(QVariant &resultado)
{
    return resultFrame(resultado, [&] { return packetOf(statements().adqEndeFili, {}); });
}

int getFilialCep(const QString &P_CEP, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return QVariant(hasRow(statements().adqFilialCep, {{"P_CEP", P_CEP}}));
    });
}

int getInfCEP(const QString &P_CEP, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        return packetOf(statements().adqInfCEP, {{"P_CEP", P_CEP}});
    });
}

int getExisteConsumidor(const QString &P_CDCLIENTE, const QString &P_NRCPF,
                        const QString &P_CDCONSUMIDOR, QVariant &resultado)
{
    return resultFrame(resultado, [&] {
        // "0" matches no real consumer, so a new consumer excludes nobody.
        const QString excluido = EmptyString(P_CDCONSUMIDOR) ? QStringLiteral("0") : P_CDCONSUMIDOR;
        return packetOf(statements().adqExisteConsumidor,
                        {{"P_CDCLIENTE", P_CDCLIENTE},
                         {"P_CDCONSUCPF", Ajusta(P_NRCPF, kLarguraConsumidor)},
                         {"P_NRCPFRESPCON", P_NRCPF},
                         {"P_CDCONSUMIDOR", excluido}});
    });
}

namespace {

int insereConsumidor(const ConsumidorArgs &a, QVariant &resultado)
{
    resultado = QVariant();
    Statements *st = nullptr;
    try {
        st = &statements();
    } catch (const std::exception &error) {
        resultado = messageOf(error);
        return 0;
    }
    QSqlDatabase db = rdmInsereConsumidor->d().database();
    SaveTransaction transaction(db);
    if (!transaction.error().isEmpty()) {
        resultado = transaction.error();
        return 0;
    }

    const Save save(a);
    bool inserindo = false;
    QString erro;
    try {
        grava(*st, save, inserindo);
    } catch (const std::exception &error) {
        erro = messageOf(error);
    }
    if (erro.isEmpty()) {
        if (const QString falha = transaction.commit(); !falha.isEmpty()) {
            resultado = falha;
            return 1;
        }
        return 0;
    }
    if (const QString falha = transaction.rollback(); !falha.isEmpty()) {
        resultado = QStringLiteral("%1\n%2").arg(erro, falha);
        return 1;
    }
    resultado = inserindo ? depoisDaInsercaoRecusada(*st, save, erro) : QVariant(erro);
    return 0;
}

} // namespace

bool ConsumidorArgs::set(QAnyStringView column, const QString &text)
{
    for (const ConsumidorColumn &c : kConsumidorColumns) {
        if (column == QLatin1String(c.column)) {
            this->*c.argument = text;
            return true;
        }
    }
    return false;
}

int setInsereConsumidor(const ConsumidorArgs &a, QVariant &resultado)
{
    const int status = insereConsumidor(a, resultado);
    // A transaction cut off with its connection left nothing behind: connect again and save
    // once more. Had the commit itself gone through, the second save finds the consumer and
    // writes nothing.
    if (resultado.typeId() != QMetaType::QString)
        return status;
    try {
        if (!reconnectIfLost(rdmInsereConsumidor))
            return status;
    } catch (const std::exception &error) {
        resultado = messageOf(error);
        return status;
    }
    return insereConsumidor(a, resultado);
}

QVariant getMunicipioIBGE(const QString &P_CDIBGE)
{
    return addressFrame([&] {
        return packetOf(statements().adqMunicipioIBGE, {{"P_CDIBGE", P_CDIBGE}});
    });
}

QVariant getEstadoViaCEP(const QString &P_SGESTADO)
{
    return addressFrame([&] {
        return packetOf(statements().adqEstadoViaCEP, {{"P_SGESTADO", P_SGESTADO}});
    });
}

QVariant getMunicipioViaCEP(const QString &P_SGESTADO, const QString &P_NMMUNICIPIO)
{
    return addressFrame([&] {
        return packetOf(statements().adqMunicipioViaCEP,
                        {{"P_SGESTADO", P_SGESTADO}, {"P_NMMUNICIPIO", P_NMMUNICIPIO}});
    });
}

QVariant getBairroViaCEP(const QString &P_SGESTADO, const QString &P_NMMUNICIPIO,
                         const QString &P_NMBAIRRO)
{
    return addressFrame([&] {
        return packetOf(statements().adqBairroViaCEP, {{"P_SGESTADO", P_SGESTADO},
                                                       {"P_NMMUNICIPIO", P_NMMUNICIPIO},
                                                       {"P_NMBAIRRO", P_NMBAIRRO}});
    });
}

bool vdConsPorTelExiste(const QString &P_CDCLIENTE, const QString &P_CDCONSUMIDOR,
                        const QString &P_NRTELECONS)
{
    return withReconnect([&] {
        // "0" matches no real consumer, so a new consumer excludes nobody.
        return hasRow(statements().adqConsPorTel,
                      {{"P_CDCLIENTE", P_CDCLIENTE},
                       {"P_NRTELEDIGITOS", SoNumerosStr(P_NRTELECONS)},
                       {"P_NRTELECONS", P_NRTELECONS},
                       {"P_CDCONSUMIDOR",
                        EmptyString(P_CDCONSUMIDOR) ? QStringLiteral("0") : P_CDCONSUMIDOR}});
    });
}

void setListaConsumidores(ListaConsumidores lista)
{
    listaConsumidores = lista;
}

namespace {

std::shared_ptr<kvt::DataSet> copiaTodosCons(srv::Statement &statement,
                                             const ConsumerList::Parameters &parameters)
{
    return srv::run(statement, parameters, [](QSqlQuery &query) {
        const QList<kvt::FieldDef> fields = consumerListFields(resultFields(query.record()));
        auto list = std::make_shared<kvt::MemTable>(QStringLiteral("adqTodosCons"), fields);
        list->createDataSet();
        QVariantList row;
        while (query.next()) {
            resultRow(query, fields, row);
            list->appendRecord(row);
        }
        return list;
    });
}

} // namespace

std::shared_ptr<kvt::DataSet> GetTodosCons(const QString &P_CDFILIAL, const QString &P_CDCONSUMIDOR,
                                           const QString &P_CDCLIENTE)
{
    if (!rdmInsereConsumidor)
        return nullptr;
    auto &d = rdmInsereConsumidor->d();
    d.todosCons.reset();
    try {
        srv::Statement &statement = statements().adqTodosCons;
        const ConsumerList::Parameters parameters = {
            {QStringLiteral("P_CDFILIAL"), P_CDFILIAL},
            {QStringLiteral("P_CDCONSUMIDOR"), P_CDCONSUMIDOR},
            {QStringLiteral("P_CDCLIENTE"), P_CDCLIENTE}};
        if (listaConsumidores == ListaConsumidores::Memoria)
            d.todosCons = copiaTodosCons(statement, parameters);
        else
            d.todosCons = std::make_shared<ConsumerList>(
                databaseReader(d.database(),
                               [module = QPointer<TrdmInsereConsumidor>(rdmInsereConsumidor)] {
                                   return reconnectIfLost(module.data());
                               }),
                srv::dialectOf(dbProduct(d.database())), parameters);
    } catch (const std::exception &) {
        // Swallowed: nullptr tells the screen there is no list.
        return nullptr;
    }
    return d.todosCons;
}
