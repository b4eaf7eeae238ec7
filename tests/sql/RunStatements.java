// Runs on H2, in the mode of PRODUCT, every statement `kvt-db --statements PRODUCT` prints, over a
// data set loaded through the module's own insert text, and each one also on SQLite as
// `kvt-db --statements sqlite` prints the same read; rows compared, an empty text equal to NULL.
//   java -cp h2.jar:xerial-sqlite-jdbc.jar:gson.jar RunStatements.java KVT_DB PRODUCT DATA-SET.json
import com.google.gson.Gson;
import com.google.gson.reflect.TypeToken;
import java.math.BigDecimal;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.sql.*;
import java.util.*;
import java.util.function.Consumer;
import java.util.function.UnaryOperator;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

public class RunStatements {
    record St(String what, String sql, Map<String, Object> values) {}
    record Case(String name, String from, UnaryOperator<String> sql,
                Consumer<Map<String, Object>> values, Map<String, String> expect) {}

    // H2 standing in for each product: Oracle stores an empty text as NULL, SQL Server under its
    // usual collation compares texts case-blind.
    static final Map<String, String> URL = Map.of("oracle", "jdbc:h2:mem:;MODE=Oracle",
            "sqlserver", "jdbc:h2:mem:;MODE=MSSQLServer;IGNORECASE=TRUE");
    // Oracle's DBMS_LOB.SUBSTR (the list's long text), which H2 lacks.
    static final String[] LOB_SUBSTR = {"CREATE SCHEMA DBMS_LOB", "CREATE ALIAS DBMS_LOB.SUBSTR AS "
            + "'String f(String s, int n, int at) { return s == null ? null "
            + ": s.substring(at - 1, Math.min(s.length(), at - 1 + n)); }'"};
    // Printed statements H2 cannot run, each with why; every other one must run.
    static final Map<String, String> NOT_RUN = Map.of(
            "^ALTER SESSION ", "session set-up: H2 has none; dates are bound as dates",
            "^SET DATEFORMAT ", "session set-up: H2 has none; dates are bound as dates",
            " COLLATE ", "H2 has no COLLATE in an expression; the grammar test parses it",
            "^UPDATE STATISTICS ", "H2 keeps no statistics to refresh");
    // Parameters of the fixed statements not named after the column that holds their value.
    static final Map<String, String> COLUMN_OF = Map.of("P_NRTELEDIGITOS", "NRTELECONS",
            "P_CEP", "NRCEPCONS", "P_CDIBGE", "CDMUNICIBGE", "P_CDCONSUCPF", "CDCONSUMIDOR",
            "P_TEXTO", "CDCONSUMIDOR", "P_CODIGO", "CDCONSUMIDOR");
    // Broken rows made from real reads, each of which must fail for its own reason, and the
    // products' own differences, which must stay so ("": no difference on that product).
    static final List<Case> CASES = List.of(
            new Case("a column the schema does not have", "adqPesqIdAtu",
                    s -> s.replace("SELECT IDATUCONSUMI ", "SELECT IDATUALCONSUMI "), v -> {},
                    Map.of("oracle", "42S22", "sqlserver", "42S22")),
            new Case("a parameter left unbound", "adqPesqIdAtu", s -> s,
                    v -> v.remove("P_CDCONSUMIDOR"),
                    Map.of("oracle", "90012", "sqlserver", "90012")),
            new Case("a read that filters on an empty text", "adqPesqIdAtu",
                    s -> s + " AND NRTELE2CONS = ''", v -> {},
                    Map.of("oracle", "rows differ", "sqlserver", "")),
            new Case("SQL Server compares texts case-blind", "adqEstado", s -> s,
                    v -> v.computeIfPresent("P_SGESTADO", (k, x) -> x.toString().toLowerCase()),
                    Map.of("sqlserver", "rows differ", "oracle", "")));
    // A read's first table, which tells a list read from the count made under the same name.
    static final Pattern FIRST_TABLE =
            Pattern.compile(" FROM \\(?(?:SELECT 1 FROM )?(?!DUAL\\b)(\\w+)");
    static final Pattern PARAMETER = Pattern.compile("'(?:[^']|'')*'|:(P_\\w+)");

    final String product;
    final List<St> mine, lite;
    final Map<String, List<Map<String, String>>> data;
    final Connection h2, sqlite;
    final Set<St> ran = Collections.newSetFromMap(new IdentityHashMap<>());
    int failures = 0;

    RunStatements(String[] args) throws Exception {
        product = args[1];
        mine = dump(args[0], product);
        lite = dump(args[0], "sqlite");
        data = new Gson().fromJson(Files.readString(Path.of(args[2])), new TypeToken<
                LinkedHashMap<String, List<LinkedHashMap<String, String>>>>() {}.getType());
        h2 = DriverManager.getConnection(URL.get(product));
        sqlite = DriverManager.getConnection("jdbc:sqlite::memory:");
    }

    static List<St> dump(String kvtDb, String product) throws Exception {
        Process p = new ProcessBuilder(kvtDb, "--statements", product)
                .redirectError(ProcessBuilder.Redirect.INHERIT).start();
        List<St> out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8).lines()
                .map(line -> new Gson().fromJson(line, St.class)).toList();
        if (p.waitFor() != 0 || out.isEmpty())
            throw new IllegalStateException("kvt-db --statements " + product + " failed");
        return out;
    }

    public static void main(String[] args) throws Exception {
        System.exit(new RunStatements(args).run() ? 0 : 1);
    }

    boolean run() throws Exception {
        for (String s : LOB_SUBSTR)
            h2.createStatement().execute(s);
        // The tables, the data set through the module's insert, then the indexes over the rows.
        script(mine, product + ".sql:", h2);
        script(lite, "sqlite.sql:", sqlite);
        load();
        script(mine, product + "-", h2);
        script(lite, "sqlite-", sqlite);
        // Before the statements, whose last ones (the tool's anonymisation) rewrite every row.
        for (Case c : CASES) {
            if (c.expect().containsKey(product))
                broken(c);
        }
        for (St st : mine) {
            String why = notRun(st);
            if (why != null)
                System.out.println("not run: " + st.what() + ": " + why);
            else if (!ran.contains(st))
                runAll(st);
        }
        for (String table : data.keySet()) {
            String all = "SELECT * FROM " + table;
            expect("stored " + table, check(all, Map.of(), all, Map.of()));
        }
        System.out.printf("%s: %d statements printed, %d run, %d failures%n", product,
                mine.size(), mine.stream().filter(ran::contains).count(), failures);
        return failures == 0;
    }

    static String notRun(St st) {
        for (var e : NOT_RUN.entrySet()) {
            if (Pattern.compile(e.getKey()).matcher(st.sql()).find())
                return e.getValue();
        }
        return null;
    }

    void script(List<St> from, String prefix, Connection c) {
        for (St st : from) {
            if (st.what().startsWith(prefix) && notRun(st) == null) {
                ran.add(st);
                try {
                    c.createStatement().execute(st.sql());
                } catch (SQLException e) {
                    fail(st.what(), firstLine(e));
                }
            }
        }
    }

    // Reference rows as the other modules store them; consumers through the module's insert, as
    // it binds them, and what the insert leaves out set afterwards.
    void load() {
        St insert = named(mine, "acmInsCons");
        ran.add(insert);
        for (var table : data.entrySet()) {
            for (Map<String, String> row : table.getValue()) {
                Map<String, Object> values = new HashMap<>();
                row.forEach((k, x) -> values.put("P_" + k, x));
                List<String> columns = new ArrayList<>(row.keySet());
                if (table.getKey().equals("CONSUMIDOR")) {
                    params(insert.sql()).forEach(p -> values.putIfAbsent(p, ""));
                    String twin = named(lite, insert.what()).sql();
                    expect(insert.what(), check(insert.sql(), values, twin, values));
                    columns.removeIf(k -> params(insert.sql()).contains("P_" + k));
                    for (String k : columns) {
                        String set = "UPDATE CONSUMIDOR SET " + k + " = :P_" + k + " WHERE "
                                + "CDCLIENTE = :P_CDCLIENTE AND CDCONSUMIDOR = :P_CDCONSUMIDOR";
                        expect(insert.what(), check(set, values, set, values));
                    }
                } else {
                    String sql = "INSERT INTO " + table.getKey() + " (" + String.join(", ", columns)
                            + ") VALUES (:P_" + String.join(", :P_", columns) + ")";
                    expect(table.getKey(), check(sql, values, sql, values));
                }
            }
        }
    }

    void runAll(St st) {
        ran.add(st);
        St twin = twinOf(st);
        if (twin == null) {
            fail(st.what(), "SQLite has no statement of that name to compare with");
            return;
        }
        if (!st.values().isEmpty() || params(st.sql()).isEmpty()) {
            expect(st.what(), check(st.sql(), st.values(), twin.sql(), twin.values()));
            return;
        }
        List<Map<String, Object>> contexts = contexts(st.sql());
        if (contexts.isEmpty())
            fail(st.what(), "no row of the data set gives every value it binds");
        for (Map<String, Object> values : contexts)
            expect(st.what(), check(st.sql(), values, twin.sql(), values));
    }

    void broken(Case c) {
        St base = named(mine, c.from());
        St twin = named(lite, c.from());
        List<String> found = new ArrayList<>();
        for (Map<String, Object> values : contexts(base.sql())) {
            c.values().accept(values);
            found.addAll(check(c.sql().apply(base.sql()), values, c.sql().apply(twin.sql()),
                    values));
        }
        String expected = c.expect().get(product);
        String told = expected.isEmpty() ? "no difference" : expected;
        if (expected.isEmpty() ? found.isEmpty()
                               : found.stream().anyMatch(f -> f.contains(expected)))
            System.out.println("as it must be: " + c.name() + ": " + told);
        else
            fail(c.name(), "expected " + told + ", found " + found);
    }

    // The values of a fixed statement: a write rewrites each consumer as loaded; a read is made
    // for each consumer, with the reference rows it points at, that gives every value it binds
    // (P_TODOS both ways).
    List<Map<String, Object>> contexts(String sql) {
        List<Map<String, Object>> out = new ArrayList<>();
        boolean write = sql.startsWith("UPDATE ");
        for (Map<String, String> consumer : data.get("CONSUMIDOR")) {
            Map<String, String> row = write ? consumer : joined(consumer);
            for (String todos : sql.contains(":P_TODOS") ? List.of("N", "T") : List.of("N")) {
                Map<String, Object> values = new HashMap<>(Map.of("P_TODOS", todos));
                for (String p : params(sql)) {
                    String column = COLUMN_OF.getOrDefault(p, p.substring(2));
                    values.putIfAbsent(p, row.getOrDefault(column, ""));
                }
                if (write || !values.containsValue(""))
                    out.add(values);
            }
        }
        return out;
    }

    // The consumer's columns and those of every row that agrees with him on the columns they share.
    Map<String, String> joined(Map<String, String> consumer) {
        Map<String, String> out = new HashMap<>(consumer);
        for (List<Map<String, String>> rows : data.values()) {
            for (Map<String, String> r : rows) {
                if (r.keySet().stream().anyMatch(consumer::containsKey)
                        && r.entrySet().stream().allMatch(e -> e.getValue().equals(
                                consumer.getOrDefault(e.getKey(), e.getValue()))))
                    r.forEach(out::putIfAbsent);
            }
        }
        return out;
    }

    // The same read on SQLite: the same name, reading the same table first, in the same turn;
    // SQLite's own probes of its name index have no twin.
    St twinOf(St st) {
        List<St> mineLike = mine.stream().filter(s -> key(s).equals(key(st))).toList();
        List<St> liteLike = lite.stream().filter(s -> key(s).equals(key(st))).toList();
        int turn = mineLike.indexOf(st);
        return turn < liteLike.size() ? liteLike.get(turn) : null;
    }

    static String key(St st) {
        Matcher m = FIRST_TABLE.matcher(st.sql());
        return st.what() + (m.find() ? " " + m.group(1) : "");
    }

    St named(List<St> from, String what) {
        return from.stream().filter(s -> s.what().equals(what)).reduce((a, b) -> b)
                .orElseThrow(() -> new IllegalStateException("no statement " + what));
    }

    static List<String> params(String sql) {
        List<String> out = new ArrayList<>();
        Matcher m = PARAMETER.matcher(sql);
        while (m.find()) {
            if (m.group(1) != null)
                out.add(m.group(1));
        }
        return out;
    }

    // The statement on H2 and its twin on SQLite, each with its values; the faults found.
    List<String> check(String sql, Map<String, Object> values, String twin,
                       Map<String, Object> twinValues) {
        List<List<String>> a, b;
        try {
            a = rows(h2, sql, values, false);
        } catch (SQLException e) {
            return List.of("H2 " + e.getSQLState() + ": " + firstLine(e));
        }
        try {
            b = rows(sqlite, twin, twinValues, true);
        } catch (SQLException e) {
            return List.of("SQLite: " + firstLine(e));
        }
        if (!sql.contains(" ORDER BY ") || !twin.contains(" ORDER BY ")) {
            a.sort(Comparator.comparing(Object::toString));
            b.sort(Comparator.comparing(Object::toString));
        }
        return a.equals(b) ? List.of()
                : List.of("rows differ: H2 " + a + ", SQLite " + b + ", values " + values);
    }

    // A read's rows, or a write's count, each value as a text; markers bound in order, as the
    // driver does.
    static List<List<String>> rows(Connection c, String sql, Map<String, Object> values,
                                   boolean lite) throws SQLException {
        List<String> names = params(sql);
        try (PreparedStatement p = c.prepareStatement(PARAMETER.matcher(sql)
                .replaceAll(m -> m.group(1) == null ? Matcher.quoteReplacement(m.group()) : "?"))) {
            for (int i = 0; i < names.size(); i++) {
                if (values.containsKey(names.get(i)))
                    p.setObject(i + 1, bound(names.get(i), values.get(names.get(i)), lite));
            }
            List<List<String>> out = new ArrayList<>();
            if (!p.execute())
                out.add(List.of(String.valueOf(p.getUpdateCount())));
            for (ResultSet r = p.getResultSet(); r != null && r.next();) {
                List<String> row = new ArrayList<>();
                for (int i = 1; i <= r.getMetaData().getColumnCount(); i++)
                    row.add(text(r.getObject(i)));
                out.add(row);
            }
            return out;
        }
    }

    // As the module binds: a date typed (Qt gives SQLite its ISO text), an empty one as NULL.
    static Object bound(String name, Object value, boolean lite) {
        if (value instanceof Double d && d == Math.rint(d))
            return d.longValue();
        if (!name.startsWith("P_DT"))
            return value;
        String s = value.toString();
        return s.isEmpty() ? null : lite ? s : java.sql.Date.valueOf(s);
    }

    static String text(Object o) throws SQLException {
        if (o instanceof Clob c)
            o = c.getSubString(1, (int) c.length());
        if (o instanceof Number n)
            return new BigDecimal(n.toString()).stripTrailingZeros().toPlainString();
        if (o instanceof Timestamp t)
            return t.toString().replaceFirst(" 00:00:00(\\.0+)?$", "");
        return o == null ? "" : o.toString();
    }

    static String firstLine(Exception e) {
        return e.getMessage().lines().findFirst().orElse("");
    }

    void expect(String what, List<String> found) {
        found.forEach(f -> fail(what, f));
    }

    void fail(String what, String why) {
        failures++;
        System.out.println("FAIL " + what + ": " + why);
    }
}
