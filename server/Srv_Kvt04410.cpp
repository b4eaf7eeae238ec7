#include "server/Srv_Kvt04410.h"

#include "server/ConnectionString.h"
#include "server/ConsumerList.h"
#include "server/Dialect.h"
#include "server/ResultPacket.h"
#include "server/Retry.h"
#include "server/SrvStatements.h"
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

TrdmInsereConsumidor::Private::Statements &statements()
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

using Bindings = std::initializer_list<std::pair<const char *, QString>>;

void run(Statement &statement, Bindings bindings)
{
    statement.close();
    statement.prepare();
    for (const auto &[name, value] : bindings)
        statement.bind(QString::fromLatin1(name), value);
    statement.exec();
}

QVariant packetOf(Statement &statement, Bindings bindings)
{
    run(statement, bindings);
    return kvt::DataPacket::write(resultPacket(statement.query()));
}

bool hasRow(Statement &statement, Bindings bindings)
{
    run(statement, bindings);
    const bool found = statement.query().next();
    // Read locks of an embedded database must not outlive the answer.
    statement.close();
    return found;
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

// Another terminal stored the same new consumer between the look-up and the insert, and the
// insert broke on the key. Which error code says so differs per product and driver, so the
// table itself is asked again, outside the failed transaction: the consumer found under the
// duplicate rule is a success, one found only under its code is a clear refusal, and nothing
// found leaves the insert's own error.
QVariant depoisDaInsercaoRecusada(TrdmInsereConsumidor::Private::Statements &st,
                                  const Bindings &duplicata, const QString &cliente,
                                  const QString &codigo, const QString &erro)
{
    try {
        if (hasRow(st.adqPesqCons, duplicata))
            return QVariant();
        if (hasRow(st.adqPesqIdAtu, {{"P_CDCLIENTE", cliente}, {"P_CDCONSUMIDOR", codigo}}))
            return consumidorJaCadastrado(codigo);
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

Statement::Statement(const QSqlDatabase &db, QString text) : m_query(db), m_text(std::move(text))
{
    m_query.setForwardOnly(true);
}

void Statement::close()
{
    m_query.finish();
}

void Statement::prepare()
{
    if (m_prepared)
        return;
    if (!m_query.prepare(m_text))
        throw kvt::Exception(sqlError(m_query.lastError()));
    m_prepared = true;
}

void Statement::bind(const QString &name, const QVariant &value)
{
    m_query.bindValue(QLatin1Char(':') + name, value);
}

void Statement::exec()
{
    if (!m_query.exec()) {
        m_prepared = false;
        throw kvt::Exception(sqlError(m_query.lastError()));
    }
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

TrdmInsereConsumidor::Private::Statements &TrdmInsereConsumidor::Private::open()
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
    QString stError;

    TrdmInsereConsumidor::Private::Statements *st = nullptr;
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

    const bool novo = EmptyString(a.P_CDCONSUMIDOR);
    const Bindings duplicata = {
        {"P_CDCLIENTE", a.P_CDCLIENTE},
        {"P_CDCONSUMIDOR", AjustaKvt(a.P_NRCPFRESPCONS, kLarguraConsumidor)},
        {"P_NRTELECONS", a.P_NRTELECONS}};
    const QString stCdConsumidor =
        EmptyString(a.P_NRCPFRESPCONS) ? SoNumerosStr(a.P_NRTELECONS) : a.P_NRCPFRESPCONS;
    bool inserindo = false;
    try {
        run(st->adqPesqIdAtu,
            {{"P_CDCLIENTE", a.P_CDCLIENTE}, {"P_CDCONSUMIDOR", a.P_CDCONSUMIDOR}});
        QString stIdatuconsumi = QStringLiteral("A");
        if (!st->adqPesqIdAtu.query().next() ||
            st->adqPesqIdAtu.query().value(0).toString() == QLatin1String("I"))
            stIdatuconsumi = QStringLiteral("I");
        st->adqPesqIdAtu.close();

        const bool duplicado = novo && hasRow(st->adqPesqCons, duplicata);
        if (!duplicado) {
            // An edit without a capture on the screen keeps the stored prints.
            const bool digitais = novo || a.digitalCapturada;
            Statement &command =
                novo ? st->acmInsCons : (digitais ? st->acmUpdCons : st->acmUpdConsSemDigital);
            command.close();
            command.prepare();
            const std::pair<const char *, QString> columns[] = {
                {"P_CDCLIENTE", a.P_CDCLIENTE},
                {"P_NMCONSUMIDOR", a.P_NMCONSUMIDOR},
                {"P_NRCPFRESPCON", a.P_NRCPFRESPCONS},
                {"P_NRRGCONSUMID", a.P_NRRGCONSUMID},
                {"P_DSEMAILCONS", a.P_DSEMAILCONS},
                {"P_NRTELECONS", SoNumerosStr(a.P_NRTELECONS)},
                {"P_NRTELE2CONS", SoNumerosStr(a.P_NRTELE2CONS)},
                {"P_NRCELULARCONS", SoNumerosStr(a.P_NRCELULARCONS)},
                {"P_DSENDECONS", a.P_DSENDECONS},
                {"P_NRENDECONS", a.P_NRENDECONS},
                {"P_DSCOMPLENDECONS", a.P_DSCOMPLENDECONS},
                {"P_NRCEPCONS", a.P_NRCEPCONS},
                {"P_CDPAIS", a.P_CDPAIS},
                {"P_SGESTADO", a.P_SGESTADO},
                {"P_CDMUNICIPIO", a.P_CDMUNICIPIO},
                {"P_CDBAIRRO", a.P_CDBAIRRO},
                {"P_DSREFERENDECONS", a.P_DSREFERCONS},
                {"P_CDCCUSCLIE", a.P_CDCCUSCLIE},
                {"P_CDTIPOCONS", a.P_CDTIPOCONS},
                {"P_IDATUCONSUMI", stIdatuconsumi},
                {"P_IDTPVENDACONS", tipoVenda(a.P_IDTPVENDACONS)},
            };
            for (const auto &[name, value] : columns)
                command.bind(QString::fromLatin1(name), value);
            if (digitais) {
                command.bind(QStringLiteral("P_DIGICONSUMIDOR"), a.P_DIGITAL);
                command.bind(QStringLiteral("P_DIGICONSUMIDOR2"), a.P_DIGITAL2);
            }
            // Read only for the row written: a duplicate is no failure whatever its date says.
            command.bind(QStringLiteral("P_DTNASCCONS"), birthDate(a.P_DTNASCCONS));
            if (novo) {
                command.bind(QStringLiteral("P_CDCONSUMIDOR"),
                             AjustaKvt(stCdConsumidor, kLarguraConsumidor));
                command.bind(QStringLiteral("P_CDIDCONSUMID"), stCdConsumidor);
            } else {
                command.bind(QStringLiteral("P_CDCONSUMIDOR"), a.P_CDCONSUMIDOR);
            }
            inserindo = novo;
            command.exec();
            // An update that met no row wrote nothing: never a success.
            if (!novo && command.query().numRowsAffected() == 0)
                throw kvt::Exception(consumidorNaoEncontrado(a.P_CDCLIENTE, a.P_CDCONSUMIDOR));
        }
    } catch (const std::exception &error) {
        stError = messageOf(error);
        resultado = stError;
    }

    if (!stError.isEmpty()) {
        if (const QString erro = transaction.rollback(); !erro.isEmpty()) {
            resultado = QStringLiteral("%1\n%2").arg(stError, erro);
            return 1;
        }
        if (inserindo)
            resultado =
                depoisDaInsercaoRecusada(*st, duplicata, a.P_CDCLIENTE,
                                         AjustaKvt(stCdConsumidor, kLarguraConsumidor), stError);
    } else if (const QString erro = transaction.commit(); !erro.isEmpty()) {
        resultado = erro;
        return 1;
    }
    return 0;
}

} // namespace

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

std::shared_ptr<kvt::DataSet> copiaTodosCons(Statement &statement,
                                             const ConsumerList::Parameters &parameters)
{
    statement.close();
    statement.prepare();
    for (const auto &[name, value] : parameters)
        statement.bind(name, value);
    statement.exec();
    QSqlQuery &query = statement.query();
    const QList<kvt::FieldDef> fields = consumerListFields(resultFields(query.record()));
    auto list = std::make_shared<kvt::MemTable>(QStringLiteral("adqTodosCons"), fields);
    list->createDataSet();
    QVariantList row;
    while (query.next()) {
        resultRow(query, fields, row);
        list->appendRecord(row);
    }
    statement.close();
    return list;
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
        Statement &statement = statements().adqTodosCons;
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
