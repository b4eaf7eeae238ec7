#pragma once

// Statement texts of the data module. Parameters are bound by name.

namespace srv {

inline constexpr char kPesqIdAtu[] =
    "SELECT IDATUCONSUMI FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = "
    ":P_CDCONSUMIDOR";

inline constexpr char kPesqCons[] =
    "SELECT CDCONSUMIDOR FROM CONSUMIDOR WHERE (CDCLIENTE = :P_CDCLIENTE) AND(CDCONSUMIDOR = "
    ":P_CDCONSUMIDOR) AND(NRTELECONS = :P_NRTELECONS)";

inline constexpr char kInsCons[] =
    "INSERT INTO CONSUMIDOR (CDCLIENTE, CDCONSUMIDOR, NMCONSUMIDOR, CDPAIS, SGESTADO, NRCEPCONS, "
    "NRTELECONS, NRTELE2CONS, NRCELULARCONS, DTNASCCONS, DSCOMPLENDECONS, DSENDECONS, "
    "NRENDECONS, CDMUNICIPIO, CDBAIRRO, NRCPFRESPCON, NRRGCONSUMID, DSREFERENDECONS, "
    "DSEMAILCONS, CDCCUSCLIE, CDTIPOCONS, IDATUCONSUMI, IDSITCONSUMI, DIGICONSUMIDOR, "
    "DIGICONSUMIDOR2, IDIMPCPFCUPOM, IDTPVENDACONS, CDIDCONSUMID) VALUES (:P_CDCLIENTE, "
    ":P_CDCONSUMIDOR,:P_NMCONSUMIDOR, :P_CDPAIS, :P_SGESTADO, :P_NRCEPCONS, :P_NRTELECONS, "
    ":P_NRTELE2CONS, :P_NRCELULARCONS, :P_DTNASCCONS, :P_DSCOMPLENDECONS, :P_DSENDECONS, "
    ":P_NRENDECONS, :P_CDMUNICIPIO, :P_CDBAIRRO, :P_NRCPFRESPCON, :P_NRRGCONSUMID, "
    ":P_DSREFERENDECONS, :P_DSEMAILCONS, :P_CDCCUSCLIE, :P_CDTIPOCONS, :P_IDATUCONSUMI,'1',"
    ":P_DIGICONSUMIDOR, :P_DIGICONSUMIDOR2, 'S', :P_IDTPVENDACONS, :P_CDIDCONSUMID)";

// The update, with the prints and without them: an edit without a fingerprint captured on the
// screen keeps the stored ones. The two texts share their other columns.
#define KVT_UPD_CONS_SET                                                                           \
    "UPDATE CONSUMIDOR SET NMCONSUMIDOR = :P_NMCONSUMIDOR , CDPAIS = :P_CDPAIS , SGESTADO = "      \
    ":P_SGESTADO , NRCEPCONS = :P_NRCEPCONS , NRTELECONS = :P_NRTELECONS , NRTELE2CONS = "         \
    ":P_NRTELE2CONS , NRCELULARCONS = :P_NRCELULARCONS, DTNASCCONS = :P_DTNASCCONS , "             \
    "DSCOMPLENDECONS = :P_DSCOMPLENDECONS , DSENDECONS = :P_DSENDECONS , NRENDECONS = "            \
    ":P_NRENDECONS, CDMUNICIPIO = :P_CDMUNICIPIO , CDBAIRRO = :P_CDBAIRRO , NRCPFRESPCON = "       \
    ":P_NRCPFRESPCON , NRRGCONSUMID = :P_NRRGCONSUMID , DSREFERENDECONS = :P_DSREFERENDECONS, "    \
    "DSEMAILCONS = :P_DSEMAILCONS , CDCCUSCLIE = :P_CDCCUSCLIE , CDTIPOCONS = :P_CDTIPOCONS, "     \
    "IDATUCONSUMI = :P_IDATUCONSUMI, "
#define KVT_UPD_CONS_WHERE                                                                         \
    "IDTPVENDACONS = :P_IDTPVENDACONS WHERE (CDCLIENTE = :P_CDCLIENTE ) "                          \
    "AND(CDCONSUMIDOR = :P_CDCONSUMIDOR)"

inline constexpr char kUpdCons[] = KVT_UPD_CONS_SET
    "DIGICONSUMIDOR = :P_DIGICONSUMIDOR, DIGICONSUMIDOR2 = :P_DIGICONSUMIDOR2, " KVT_UPD_CONS_WHERE;
inline constexpr char kUpdConsSemDigital[] = KVT_UPD_CONS_SET KVT_UPD_CONS_WHERE;

#undef KVT_UPD_CONS_SET
#undef KVT_UPD_CONS_WHERE

// Another consumer of the client holding the telephone: its digits as the save stores them, or
// the text as passed for rows an older program stored with the mask.
inline constexpr char kConsPorTel[] =
    "SELECT CDCONSUMIDOR FROM CONSUMIDOR WHERE CDCLIENTE = :P_CDCLIENTE AND NRTELECONS IN "
    "(:P_NRTELEDIGITOS, :P_NRTELECONS) AND CDCONSUMIDOR <> :P_CDCONSUMIDOR";

inline constexpr char kPais[] =
    "SELECT CDPAIS, NMPAIS FROM PAIS WHERE ((CDPAIS = :P_CDPAIS) OR ('T' = :P_TODOS))";

inline constexpr char kEstado[] =
    "SELECT SGESTADO, NMESTADO FROM ESTADO WHERE (CDPAIS = :P_CDPAIS) AND((SGESTADO = "
    ":P_SGESTADO) OR ('T' = :P_TODOS))";

inline constexpr char kMunicipio[] =
    "SELECT CDMUNICIPIO, NMMUNICIPIO FROM MUNICIPIO WHERE (CDPAIS = :P_CDPAIS) AND(SGESTADO = "
    ":P_SGESTADO) AND((CDMUNICIPIO = :P_CDMUNICIPIO) OR ('T' = :P_TODOS))";

inline constexpr char kBairro[] =
    "SELECT CDBAIRRO, NMBAIRRO,VRTXENTREGA, QTHORAENTREGA FROM BAIRRO WHERE (CDPAIS = :P_CDPAIS) "
    "AND(SGESTADO = :P_SGESTADO) AND(CDMUNICIPIO = :P_CDMUNICIPIO) AND((CDBAIRRO = :P_CDBAIRRO) "
    "OR ('T' = :P_TODOS))";

inline constexpr char kEndeFili[] =
    "SELECT PA.CDPAIS, PA.NMPAIS, ES.SGESTADO, MU.CDMUNICIPIO, MU.NMMUNICIPIO FROM ENDEFILI EN, "
    "PAIS PA, ESTADO ES, MUNICIPIO MU WHERE EN.CDPAIS = PA.CDPAIS AND EN.CDPAIS = ES.CDPAIS AND "
    "EN.SGESTADO = ES.SGESTADO AND EN.CDPAIS = MU.CDPAIS AND EN.SGESTADO = MU.SGESTADO AND "
    "EN.CDMUNICIPIO = MU.CDMUNICIPIO";

inline constexpr char kFilialCep[] = "SELECT CDPAIS, NRCEP FROM FILIALCEP WHERE NRCEP=:P_CEP";

// The neighbourhood's delivery fee and time come along for the screen's delivery line, as with
// the neighbourhood of a web answer.
inline constexpr char kInfCEP[] =
    "SELECT PA.CDPAIS, PA.NMPAIS, CP.NRCEP, CP.DSLOGCEP, CP.SGESTADO, MU.CDMUNICIPIO, "
    "MU.NMMUNICIPIO, BA.CDBAIRRO, BA.NMBAIRRO, BA.VRTXENTREGA, BA.QTHORAENTREGA "
    "FROM CEP CP, PAIS PA, MUNICIPIO MU, BAIRRO BA "
    "WHERE CP.NRCEP = :P_CEP AND PA.CDPAIS = CP.CDPAIS AND MU.CDPAIS = CP.CDPAIS AND "
    "MU.SGESTADO = CP.SGESTADO AND MU.CDMUNICIPIO = CP.CDMUNICIPIO AND BA.CDPAIS = CP.CDPAIS "
    "AND BA.SGESTADO = CP.SGESTADO AND BA.CDMUNICIPIO = CP.CDMUNICIPIO AND BA.CDBAIRRO = "
    "CP.CDBAIRRO";

inline constexpr char kMunicipioIBGE[] =
    "SELECT P.CDPAIS, P.NMPAIS, E.SGESTADO, E.NMESTADO, M.CDMUNICIPIO, M.NMMUNICIPIO FROM PAIS "
    "P, ESTADO E, MUNICIPIO M WHERE P.CDPAIS = E.CDPAIS AND E.CDPAIS = M.CDPAIS AND E.SGESTADO "
    "= M.SGESTADO AND M.CDMUNICIBGE = :P_CDIBGE";

inline constexpr char kEstadoViaCEP[] =
    "SELECT SGESTADO, NMESTADO FROM ESTADO WHERE UPPER(SGESTADO) = UPPER(:P_SGESTADO)";

inline constexpr char kMunicipioViaCEP[] =
    "SELECT CDMUNICIPIO, NMMUNICIPIO FROM MUNICIPIO WHERE UPPER(NMMUNICIPIO) = "
    "UPPER(:P_NMMUNICIPIO) AND SGESTADO = :P_SGESTADO";

inline constexpr char kBairroViaCEP[] =
    "SELECT B.CDBAIRRO, B.NMBAIRRO, B.VRTXENTREGA, B.QTHORAENTREGA FROM BAIRRO B, MUNICIPIO M "
    "WHERE UPPER(M.SGESTADO) = UPPER(:P_SGESTADO) AND UPPER(M.NMMUNICIPIO) = "
    "UPPER(:P_NMMUNICIPIO) AND UPPER(B.NMBAIRRO) = UPPER(:P_NMBAIRRO) AND B.CDPAIS = M.CDPAIS "
    "AND B.SGESTADO = M.SGESTADO AND B.CDMUNICIPIO = M.CDMUNICIPIO";

inline constexpr char kExisteConsumidor[] =
    "SELECT * FROM CONSUMIDOR WHERE (CDCLIENTE = :P_CDCLIENTE) AND ((CDCONSUMIDOR = "
    ":P_CDCONSUCPF) OR (NRCPFRESPCON = :P_NRCPFRESPCON)) AND (CDCONSUMIDOR <> :P_CDCONSUMIDOR)";

// The fixed statements by the data module's names, as `kvt-db --statements` lists them; a new
// statement above belongs here too.
struct NamedStatement
{
    const char *what;
    const char *sql;
};

inline constexpr NamedStatement kFixedStatements[] = {
    {"adqPesqIdAtu", kPesqIdAtu},
    {"adqPesqCons", kPesqCons},
    {"acmInsCons", kInsCons},
    {"acmUpdCons", kUpdCons},
    {"acmUpdConsSemDigital", kUpdConsSemDigital},
    {"adqConsPorTel", kConsPorTel},
    {"adqPais", kPais},
    {"adqEstado", kEstado},
    {"adqMunicipio", kMunicipio},
    {"adqBairro", kBairro},
    {"adqEndeFili", kEndeFili},
    {"adqFilialCep", kFilialCep},
    {"adqInfCEP", kInfCEP},
    {"adqMunicipioIBGE", kMunicipioIBGE},
    {"adqEstadoViaCEP", kEstadoViaCEP},
    {"adqMunicipioViaCEP", kMunicipioViaCEP},
    {"adqBairroViaCEP", kBairroViaCEP},
    {"adqExisteConsumidor", kExisteConsumidor},
};

// The consumer list, as data: its columns in order (table alias and column; a long text is
// read through the product's conversion), then the tables with their joins, then the
// conditions. The screen's reads add conditions, an order and a window to these.
struct ListColumn
{
    const char *alias;
    const char *column;
    bool longText = false;
};

inline constexpr ListColumn kTodosConsColumns[] = {
    {"CO", "CDCLIENTE"},
    {"CO", "CDCONSUMIDOR"},
    {"CO", "NMCONSUMIDOR"},
    {"CO", "VRLIMDEBCONS"},
    {"CO", "IDSITCONSUMI"},
    {"CO", "CDTIPOCONS"},
    {"CO", "CDCCUSCLIE"},
    {"CO", "CDIDCONSUMID"},
    {"CO", "VRAVIDEBCONS"},
    {"CO", "CDEXCONSUMID"},
    {"CO", "IDVERSALDCON"},
    {"CO", "IDCONSUMIDOR"},
    {"CO", "CDVENDEDOR"},
    {"CO", "VRMAXDEBCONS"},
    {"CO", "VRLIMCREDCONS"},
    {"CO", "VRMAXCREDCONS"},
    {"CO", "VRAVICREDCONS"},
    {"CO", "NRRGCONSUMID"},
    {"CO", "NRCPFRESPCON"},
    {"CO", "NRTELECONS"},
    {"CO", "NRTELE2CONS"},
    {"T", "IDUTSUBTCCLI"},
    {"T", "VRPESUBTCCLI"},
    {"CO", "IDTPVENDACONS"},
    {"C", "NMFANTCLIE"},
    {"F", "CDFILIAL"},
    {"F", "NMFILIAL"},
    {"CF", "IDCLIENPRIN"},
    {"CO", "IDIMPCPFCUPOM"},
    {"CO", "IDCADCONFLIBCON"},
    {"CO", "DSENDECONS"},
    {"CO", "CDRESERVAPH"},
    {"CO", "DTCHECKINPH"},
    {"CO", "DTCHECKOUTPH"},
    {"CO", "DSOBSHOSPEDEPH"},
    {"CO", "VRSUBSBASICO"},
    {"CO", "DTNASCCONS"},
    {"CO", "DSCOMPLENDECONS"},
    {"CO", "NRCELULARCONS"},
    {"CO", "DSEMAILCONS"},
    {"CO", "DSREFERENDECONS", true},
    {"CO", "CDPAIS"},
    {"CO", "SGESTADO"},
    {"CO", "NRCEPCONS"},
    {"MU", "CDMUNICIPIO"},
    {"MU", "NMMUNICIPIO"},
    {"BA", "CDBAIRRO"},
    {"BA", "NMBAIRRO"},
    {"BA", "QTHORAENTREGA"},
    {"BA", "VRTXENTREGA"},
    {"PA", "NMPAIS"},
    {"ES", "NMESTADO"},
    {"CO", "NRENDECONS"},
};

inline constexpr char kTodosConsFrom[] =
    " FROM CLIENFILIAL CF, CLIENTE C, FILIAL F, CONSUMIDOR CO "
    "LEFT OUTER JOIN TIPOCONSCLI T ON (CO.CDCLIENTE = T.CDCLIENTE AND CO.CDTIPOCONS = "
    "T.CDTIPOCONS) "
    "LEFT OUTER JOIN MUNICIPIO MU ON (CO.CDPAIS = MU.CDPAIS AND CO.SGESTADO = MU.SGESTADO AND "
    "CO.CDMUNICIPIO = MU.CDMUNICIPIO) "
    "LEFT OUTER JOIN BAIRRO BA ON (CO.CDPAIS = BA.CDPAIS AND CO.SGESTADO = BA.SGESTADO AND "
    "CO.CDMUNICIPIO = BA.CDMUNICIPIO AND CO.CDBAIRRO = BA.CDBAIRRO) "
    "LEFT OUTER JOIN PAIS PA ON (CO.CDPAIS = PA.CDPAIS) "
    "LEFT OUTER JOIN ESTADO ES ON (CO.CDPAIS = ES.CDPAIS AND CO.SGESTADO = ES.SGESTADO)";

inline constexpr char kTodosConsWhere[] =
    " WHERE CF.CDCLIENTE = CO.CDCLIENTE AND C.CDCLIENTE = CO.CDCLIENTE AND C.CDCLIENTE = "
    "CF.CDCLIENTE AND CF.CDFILIAL = F.CDFILIAL AND CF.CDFILIAL = :P_CDFILIAL AND "
    "CF.IDPERMVENDAZET = 'S' AND CO.IDSITCONSUMI = '1' AND (CO.CDCONSUMIDOR = :P_CDCONSUMIDOR "
    "OR :P_CDCONSUMIDOR = 'T') AND (CO.CDCLIENTE = :P_CDCLIENTE OR :P_CDCLIENTE = 'T')";

// The consumer list read on demand: its own statement with conditions added, ordered by the
// consumer's key and read a window at a time in the dialect's window clause.
inline constexpr char kListaOrdem[] = " ORDER BY %1, %2";
inline constexpr char kListaContagem[] = "SELECT COUNT(*)";
// SQLite's trigram index of the names (db/schema/sqlite-search.sql), where the site made it:
// whether it is there, how many names hold a trigram (up to a bound), and the condition.
inline constexpr char kNomeIndiceExiste[] =
    "SELECT COUNT(*) FROM sqlite_master WHERE name = 'CONSUMIDOR_NOME'";
inline constexpr char kNomeTrigramaConta[] =
    "SELECT COUNT(*) FROM (SELECT 1 FROM CONSUMIDOR_NOME WHERE CONSUMIDOR_NOME MATCH :P_NOME "
    "LIMIT :P_LIMITE)";
inline constexpr char kNomeTrigrama[] =
    "%1.rowid IN (SELECT rowid FROM CONSUMIDOR_NOME WHERE CONSUMIDOR_NOME MATCH %2)";

} // namespace srv
