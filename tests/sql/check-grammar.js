'use strict';
// Parses every statement kvt-db prints for SQL Server as Transact-SQL and for Oracle as PL/SQL,
// with grammars written apart from this project, and holds every bound value to the limits of
// the ODBC binding and of Oracle's regular expressions. Then shows that each check can fail.
//   node check-grammar.js sqlserver|oracle STATEMENTS.jsonl
const fs = require('fs');
const { antlr4tsSQL, SQLDialect, PredictionMode } = require('antlr4ts-sql');

const product = process.argv[2];
const dialect = { sqlserver: SQLDialect.TSQL, oracle: SQLDialect.PLSQL }[product];
if (!dialect || !process.argv[3]) {
    console.error('usage: check-grammar.js sqlserver|oracle STATEMENTS.jsonl');
    process.exit(2);
}

// Qt's ODBC driver binds a longer text as a long type, which REGEXP_LIKE refuses and SQL
// Server receives as ntext.
const kMaxBound = 127;
// ORA-12733: Oracle's limit on a regular-expression pattern, in bytes.
const kMaxOraclePattern = 512;

// Texts the product accepts that this grammar does not; each stays listed only while the
// grammar still rejects it.
const grammarGaps = {
    oracle: {
        // The grammar takes only a name as the value of ALTER SESSION SET.
        "ALTER SESSION SET NLS_DATE_FORMAT = 'DD/MM/YYYY'": 'quoted ALTER SESSION value',
    },
    sqlserver: {},
}[product];

// What the driver sends: Qt turns each :NAME into a marker, which SQL Server names @NAME and
// Oracle keeps as :NAME. A script statement ends with a semicolon in PL/SQL.
function asSent(sql) {
    if (product === 'oracle')
        return sql + ';';
    return sql.replace(/'(?:[^']|'')*'|:(P_\w+)/g, (all, name) => (name ? '@' + name : all));
}

function grammarErrors(sql) {
    const errors = [];
    const listener = {
        syntaxError: (recognizer, symbol, line, column, message) =>
            errors.push(`${line}:${column} ${message.slice(0, 120)}`),
    };
    // The fast prediction first; only a text it refuses is parsed again with the full one.
    for (const mode of [PredictionMode.SLL, PredictionMode.LL]) {
        errors.length = 0;
        const grammar = new antlr4tsSQL(dialect);
        const parser = grammar.getParser(grammar.getTokens(asSent(sql), [listener]), [listener]);
        parser.interpreter.setPredictionMode(mode);
        grammar.getParseTree(parser);
        if (errors.length === 0)
            break;
    }
    return errors;
}

// Patterns of Oracle's REGEXP_ functions, bound or written in the text.
function oraclePatterns(statement) {
    const found = [];
    const call = /REGEXP_(?:LIKE|INSTR|SUBSTR|REPLACE|COUNT)\s*\(\s*[^,]+,\s*(?::(P_\w+)|'((?:[^']|'')*)')/gi;
    for (const match of statement.sql.matchAll(call)) {
        const pattern = match[1] ? statement.values[match[1]] : match[2].replace(/''/g, "'");
        if (typeof pattern === 'string')
            found.push(pattern);
    }
    return found;
}

// Every fault of one statement, each as a line.
function faults(statement) {
    const out = [];
    const gap = grammarGaps[statement.sql];
    const errors = grammarErrors(statement.sql);
    if (gap && errors.length === 0)
        out.push(`the grammar now accepts this (${gap}): drop it from the gaps`);
    else if (!gap)
        out.push(...errors.map((e) => `grammar: ${e}`));
    for (const [name, value] of Object.entries(statement.values)) {
        if (typeof value === 'string' && value.length > kMaxBound)
            out.push(`value ${name} is ${value.length} characters, over ${kMaxBound}`);
    }
    if (product === 'oracle') {
        for (const pattern of oraclePatterns(statement)) {
            const bytes = Buffer.byteLength(pattern, 'utf8');
            if (bytes > kMaxOraclePattern)
                out.push(`regular expression of ${bytes} bytes, over ${kMaxOraclePattern}`);
        }
    }
    return out;
}

const statements = fs.readFileSync(process.argv[3], 'utf8').split('\n').filter((l) => l.trim())
    .map((l) => JSON.parse(l));
let failed = 0;
for (const statement of statements) {
    const found = faults(statement);
    if (found.length) {
        failed++;
        console.log(`FAIL ${statement.what}\n  ${statement.sql}\n  ${found.join('\n  ')}`);
    }
}
// The list must be all there: a read that printed nothing would pass unchecked.
for (const what of ['adqTodosCons', 'list: first window', 'list: count',
    "list: name search, the dialog's full length", 'list: CPF digits', 'session set-up']) {
    if (!statements.some((s) => s.what === what)) {
        failed++;
        console.log(`FAIL missing: ${what}`);
    }
}

// Broken texts made from the real ones, each of which the checks above must refuse.
const window = statements.find((s) => s.what === 'list: first window');
const limit = window.sql.replace(/ OFFSET :P_INICIO ROWS FETCH NEXT :P_LIMITE ROWS ONLY$/,
    ' LIMIT :P_LIMITE OFFSET :P_INICIO');
// The name search as it was: each letter a class of its variants in both cases.
const variants = { a: 'aàáâãäåAÀÁÂÃÄÅ', e: 'eèéêëEÈÉÊË', i: 'iìíîïIÌÍÎÏ', o: 'oòóôõöOÒÓÔÕÖ',
    u: 'uùúûüUÙÚÛÜ' };
const classes = [...'maria aparecida dos santos oliveira da silva'].map((c) => (c === ' ' ? '\\ '
    : `[${variants[c] || c + c.toUpperCase()}]`)).join('');
const broken = [
    { what: 'LIMIT instead of OFFSET ... FETCH', expect: 'grammar', sql: limit,
        values: window.values },
    { what: 'a value one over the short binding', expect: 'value', sql: window.sql,
        values: { ...window.values, P_CDFILIAL: 'x'.repeat(kMaxBound + 1) } },
];
if (product === 'oracle') {
    broken.push({ what: 'a class per letter in REGEXP_LIKE', expect: 'regular expression',
        sql: `SELECT 1 FROM CONSUMIDOR CO WHERE REGEXP_LIKE(CO.NMCONSUMIDOR, '${classes}')`,
        values: {} });
}
for (const statement of broken) {
    const found = faults(statement);
    if (limit === window.sql || !found.some((f) => f.startsWith(statement.expect))) {
        failed++;
        console.log(`FAIL not refused for its ${statement.expect}: ${statement.what}`);
    } else {
        console.log(`refused as it must be: ${statement.what}`);
    }
}

console.log(`${product}: ${statements.length} statements, ${failed} failures`);
process.exit(failed ? 1 : 0);
