#pragma once

#include <QAnyStringView>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>

namespace kvt {
class DataSet;
}

// The data module: owns the connection and one statement object per statement.
// Every service function works on the single instance in rdmInsereConsumidor.
class TrdmInsereConsumidor : public QObject
{
    Q_OBJECT

public:
    explicit TrdmInsereConsumidor(QObject *owner = nullptr);
    ~TrdmInsereConsumidor() override;

    // Opens adcInsereConsumidor: the connection string from the host before the connect, the
    // host's session set-up after it. Raises kvt::Exception with the driver's text on failure.
    void connectDatabase();
    bool connected() const;
    // The QSqlDatabase name of adcInsereConsumidor, unique per data module.
    QString connectionName() const;

    struct Private;
    Private &d() const { return *m_d; }

private:
    std::unique_ptr<Private> m_d;
};

extern TrdmInsereConsumidor *rdmInsereConsumidor;

// The data module the service functions work on while this lives: made and installed as
// rdmInsereConsumidor on construction; on destruction it goes, and the one before is back.
class DataModuleScope
{
public:
    DataModuleScope();
    ~DataModuleScope();
    DataModuleScope(const DataModuleScope &) = delete;
    DataModuleScope &operator=(const DataModuleScope &) = delete;

    TrdmInsereConsumidor &module() const { return *m_module; }

private:
    TrdmInsereConsumidor *m_previous;
    std::unique_ptr<TrdmInsereConsumidor> m_module;
};

// Zero fill of consumer codes: the same fill as the host's Ajusta (kvt::text::zeroFill), so
// codes the screen fills match the stored ones.
QString AjustaKvt(const QString &stString, int inTamStr);

// Result functions: status 0 and the service result (packet as QByteArray, Boolean, nothing, or
// an error text as QString) in `resultado`, which is cleared first.
int getPais(const QString &P_CDPAIS, const QString &P_TODOS, QVariant &resultado);
int getEstado(const QString &P_SGESTADO, const QString &P_CDPAIS, const QString &P_TODOS,
              QVariant &resultado);
int getMunicipio(const QString &P_CDMUNICIPIO, const QString &P_SGESTADO, const QString &P_CDPAIS,
                 const QString &P_TODOS, QVariant &resultado);
int getBairro(const QString &P_CDBAIRRO, const QString &P_CDMUNICIPIO, const QString &P_SGESTADO,
              const QString &P_CDPAIS, const QString &P_TODOS, QVariant &resultado);
int getEndeFili(QVariant &resultado);
int getFilialCep(const QString &P_CEP, QVariant &resultado);
int getInfCEP(const QString &P_CEP, QVariant &resultado);
int getExisteConsumidor(const QString &P_CDCLIENTE, const QString &P_NRCPF,
                        const QString &P_CDCONSUMIDOR, QVariant &resultado);

// The arguments of a consumer save, the screen's texts as typed; kConsumidorColumns says where
// each one is stored.
struct ConsumidorArgs
{
    QString P_CDCLIENTE, P_CDCONSUMIDOR, P_NMCONSUMIDOR, P_DTNASCCONS, P_NRCPFRESPCONS,
        P_NRRGCONSUMID, P_DSEMAILCONS, P_NRTELECONS, P_NRTELE2CONS, P_NRCELULARCONS, P_DSENDECONS,
        P_NRENDECONS, P_DSCOMPLENDECONS, P_NRCEPCONS, P_CDPAIS, P_SGESTADO, P_CDMUNICIPIO,
        P_CDBAIRRO, P_DSREFERCONS, P_CDCCUSCLIE, P_CDTIPOCONS, P_DIGITAL, P_DIGITAL2,
        P_IDTPVENDACONS;
    // The prints were captured for this save; an update without them keeps the stored ones.
    bool digitalCapturada = true;

    // Sets the argument stored in `column` of CONSUMIDOR ("NMCONSUMIDOR"); false for a column
    // the save does not write from an argument.
    bool set(QAnyStringView column, const QString &text);
};

// How the save binds an argument.
enum class Gravacao {
    Texto,     // as typed
    Digitos,   // its digits only (a telephone's mask goes)
    Data,      // "dd/MM/yyyy" as a date, empty as NULL; another text refuses the save
    Codigo,    // a new consumer's code, worked out from his CPF or telephone; an edit's as given
    Digital,   // written only when the prints were captured, or for a new consumer
    TipoVenda, // empty is "7"
};

// The consumer columns a save writes from its arguments, one row each: the argument, the column
// of CONSUMIDOR it is stored in (bound as :P_<column> in the insert and the updates), and how.
// IDATUCONSUMI and a new consumer's CDIDCONSUMID are the save's own.
struct ConsumidorColumn
{
    QString ConsumidorArgs::*argument;
    const char *column;
    Gravacao gravacao;
};

inline constexpr ConsumidorColumn kConsumidorColumns[] = {
    {&ConsumidorArgs::P_CDCLIENTE, "CDCLIENTE", Gravacao::Texto},
    {&ConsumidorArgs::P_CDCONSUMIDOR, "CDCONSUMIDOR", Gravacao::Codigo},
    {&ConsumidorArgs::P_NMCONSUMIDOR, "NMCONSUMIDOR", Gravacao::Texto},
    {&ConsumidorArgs::P_DTNASCCONS, "DTNASCCONS", Gravacao::Data},
    {&ConsumidorArgs::P_NRCPFRESPCONS, "NRCPFRESPCON", Gravacao::Texto},
    {&ConsumidorArgs::P_NRRGCONSUMID, "NRRGCONSUMID", Gravacao::Texto},
    {&ConsumidorArgs::P_DSEMAILCONS, "DSEMAILCONS", Gravacao::Texto},
    {&ConsumidorArgs::P_NRTELECONS, "NRTELECONS", Gravacao::Digitos},
    {&ConsumidorArgs::P_NRTELE2CONS, "NRTELE2CONS", Gravacao::Digitos},
    {&ConsumidorArgs::P_NRCELULARCONS, "NRCELULARCONS", Gravacao::Digitos},
    {&ConsumidorArgs::P_DSENDECONS, "DSENDECONS", Gravacao::Texto},
    {&ConsumidorArgs::P_NRENDECONS, "NRENDECONS", Gravacao::Texto},
    {&ConsumidorArgs::P_DSCOMPLENDECONS, "DSCOMPLENDECONS", Gravacao::Texto},
    {&ConsumidorArgs::P_NRCEPCONS, "NRCEPCONS", Gravacao::Texto},
    {&ConsumidorArgs::P_CDPAIS, "CDPAIS", Gravacao::Texto},
    {&ConsumidorArgs::P_SGESTADO, "SGESTADO", Gravacao::Texto},
    {&ConsumidorArgs::P_CDMUNICIPIO, "CDMUNICIPIO", Gravacao::Texto},
    {&ConsumidorArgs::P_CDBAIRRO, "CDBAIRRO", Gravacao::Texto},
    {&ConsumidorArgs::P_DSREFERCONS, "DSREFERENDECONS", Gravacao::Texto},
    {&ConsumidorArgs::P_CDCCUSCLIE, "CDCCUSCLIE", Gravacao::Texto},
    {&ConsumidorArgs::P_CDTIPOCONS, "CDTIPOCONS", Gravacao::Texto},
    {&ConsumidorArgs::P_DIGITAL, "DIGICONSUMIDOR", Gravacao::Digital},
    {&ConsumidorArgs::P_DIGITAL2, "DIGICONSUMIDOR2", Gravacao::Digital},
    {&ConsumidorArgs::P_IDTPVENDACONS, "IDTPVENDACONS", Gravacao::TipoVenda},
};

int setInsereConsumidor(const ConsumidorArgs &args, QVariant &resultado);
// The result of an update that found no row of that client and code.
QString consumidorNaoEncontrado(const QString &cdCliente, const QString &cdConsumidor);
// The result of a new consumer's save when another terminal stored that code first, outside
// the duplicate rule.
QString consumidorJaCadastrado(const QString &cdConsumidor);

// Address functions: the service result.
QVariant getMunicipioIBGE(const QString &P_CDIBGE);
QVariant getEstadoViaCEP(const QString &P_SGESTADO);
QVariant getMunicipioViaCEP(const QString &P_SGESTADO, const QString &P_NMMUNICIPIO);
QVariant getBairroViaCEP(const QString &P_SGESTADO, const QString &P_NMMUNICIPIO,
                         const QString &P_NMBAIRRO);

// True when another consumer of the client is registered under that telephone (its digits, or
// the text as passed); P_CDCONSUMIDOR is the consumer being saved, empty for a new one. Errors
// reach the caller.
bool vdConsPorTelExiste(const QString &P_CDCLIENTE, const QString &P_CDCONSUMIDOR,
                        const QString &P_NRTELECONS);

// How GetTodosCons hands the list over: read from the database as it is asked (the default), or
// copied whole into memory, the reference the tests and benchmarks hold the first against.
enum class ListaConsumidores { Banco, Memoria };
void setListaConsumidores(ListaConsumidores lista);

// The branch's active consumers, shared by the data module and the caller, so a second load
// never frees the list a screen still holds; nullptr when the list could not be opened (the
// error is not reported: the screen then works without a list).
std::shared_ptr<kvt::DataSet> GetTodosCons(const QString &P_CDFILIAL, const QString &P_CDCONSUMIDOR,
                                           const QString &P_CDCLIENTE);
