#include "client/CadConsDica.h"
#include "client/CadConsEdicao.h"
#include "toolkit/Exceptions.h"
#include "toolkit/MemTable.h"

#include <QTest>

#include <array>

// The editing model driven by key sequences, with no window: navigation, leaving checks, the
// character filter, Shift and Caps Lock.
class TstCadConsEdicao : public QObject
{
    Q_OBJECT

private slots:
    void navegacao_data();
    void navegacao();
    void digitacao_data();
    void digitacao();
    void limitesDeTamanho_data();
    void limitesDeTamanho();
    void maiusculas_data();
    void maiusculas();
    void tecladoEDica_data();
    void tecladoEDica();
    void paradaMantemCampo();
    void altF4NaoFecha();
};

namespace {

using E = CadConsEdicao;

// Texts in an array, actions in a log; a check listed in `recusa` stops the key.
class Tela : public E::Textos, public E::Acoes
{
public:
    std::array<QString, E::kNumTextos + 1> textos;
    QStringList log;
    QList<E::Verificacao> recusa;
    bool legendas = false;

    QString texto(int numero) const override { return textos.at(size_t(numero)); }
    void setTexto(int numero, const QString &texto) override { textos.at(size_t(numero)) = texto; }
    bool verifica(E::Verificacao v, bool avanca) override
    {
        log << QStringLiteral("check%1%2").arg(int(v)).arg(avanca ? '>' : '<');
        return !recusa.contains(v);
    }
    void capturaDigital() override { log << QStringLiteral("capture"); }
    void sair() override { log << QStringLiteral("exit"); }
    bool confirmarHabilitado() const override { return true; }
    void confirmar() override { log << QStringLiteral("confirm"); }
    bool pesquisaHabilitada() const override { return true; }
    void pesquisaConsumidor() override { log << QStringLiteral("search"); }
    void abreLista(int campo) override { log << QStringLiteral("list%1").arg(campo); }
    bool utilizaImpFis() const override { return false; }
    void menuFiscal() override { log << QStringLiteral("fiscal"); }
    void mudaCor() override {}
    void mostraMaiusculas(bool maiusculas) override { legendas = maiusculas; }
};

// Runs a script of keys: "Enter", "Shift+Enter", "Ctrl+Enter", "Ctrl+Shift+Enter", "F9",
// "Shift" (the physical key), "Caps", "Shift+Minus", "BS", "type:TEXT" (characters as typed
// on a keyboard), "sbt:TEXT" (characters from the on-screen keys), "touch:N", "sbtShift".
void executa(E &edicao, const QString &script)
{
    for (const QString &passo : script.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const auto tecla = [&](int key, int shift) { edicao.FormKeyDown(key, shift); };
        if (passo == QLatin1String("Enter"))
            tecla(E::VK_RETURN, 0);
        else if (passo == QLatin1String("Shift+Enter"))
            tecla(E::VK_RETURN, E::Shift);
        else if (passo == QLatin1String("Ctrl+Enter"))
            tecla(E::VK_RETURN, E::Ctrl);
        else if (passo == QLatin1String("Ctrl+Shift+Enter"))
            tecla(E::VK_RETURN, E::Ctrl | E::Shift);
        else if (passo == QLatin1String("F9"))
            tecla(E::VK_F9, 0);
        else if (passo == QLatin1String("Shift"))
            tecla(E::VK_SHIFT, E::Shift);
        else if (passo == QLatin1String("Caps"))
            tecla(E::VK_CAPITAL, 0);
        else if (passo == QLatin1String("Shift+Minus")) {
            tecla(E::VK_OEM_MINUS, E::Shift);
            edicao.FormKeyPress(QLatin1Char('_'));
        } else if (passo == QLatin1String("BS")) {
            tecla(E::VK_BACK, 0);
            edicao.FormKeyPress(QChar(E::VK_BACK));
        } else if (passo == QLatin1String("sbtShift"))
            edicao.shiftClick();
        else if (passo.startsWith(QLatin1String("type:"))) {
            for (const QChar c : passo.mid(5)) {
                tecla(c.toUpper().unicode(), 0);
                edicao.FormKeyPress(c == QLatin1Char('~') ? QLatin1Char(' ') : c);
            }
        } else if (passo.startsWith(QLatin1String("sbt:"))) {
            for (const QChar c : passo.mid(4))
                edicao.postaTexto(edicao.inLblAtiv, QString(c), false);
        } else if (passo.startsWith(QLatin1String("touch:")))
            edicao.selecionaCampo(passo.mid(6).toInt());
        else
            QFAIL(qPrintable(QStringLiteral("unknown step ") + passo));
    }
}

// "n=text;n=text" into the array.
void preenche(Tela &tela, const QString &textos)
{
    for (const QString &par : textos.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        tela.textos.at(size_t(par.section(QLatin1Char('='), 0, 0).toInt())) =
            par.section(QLatin1Char('='), 1);
}

} // namespace

// clang-format off
void TstCadConsEdicao::navegacao_data()
{
    QTest::addColumn<int>("inicio");
    QTest::addColumn<QString>("textos");
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<int>("fim");
    QTest::addColumn<QStringList>("log");

    const QString endereco = QStringLiteral("14=1058;19=Brasil;15=SP;16=0001;20=Sao Paulo;"
                                            "17=0000000001;21=Centro");
    QTest::newRow("Enter on 18 wraps to 1") << 18 << "" << "Enter" << 1 << QStringList{};
    QTest::newRow("Shift+Enter on 1 wraps to 18") << 1 << "" << "Shift+Enter" << 18 << QStringList{};
    QTest::newRow("Enter runs the date check forward") << 3 << "" << "Enter" << 4
        << QStringList{"check1>"};
    QTest::newRow("Ctrl+Enter checks, stays, confirms") << 7 << "" << "Ctrl+Enter" << 7
        << QStringList{"check3>", "confirm"};
    QTest::newRow("Ctrl+Enter on 18 moves to 1 and confirms") << 18 << "" << "Ctrl+Enter" << 1
        << QStringList{"confirm"};
    QTest::newRow("Ctrl+Shift+Enter moves forward and confirms") << 2 << "" << "Ctrl+Shift+Enter"
        << 3 << QStringList{"confirm"};
    QTest::newRow("blank postal code: no look-up") << 1 << "1=  " << "Enter" << 2 << QStringList{};
    QTest::newRow("postal code looked up") << 1 << "1=01001000" << "Enter" << 2
        << QStringList{"check0>"};
    QTest::newRow("postal code has no backward check") << 1 << "1=01001000" << "Shift+Enter" << 18
        << QStringList{};
    QTest::newRow("CPF left backwards checks the RG") << 4 << "5=123" << "Shift+Enter" << 3
        << QStringList{"check2<"};
    QTest::newRow("RG left backwards checks nothing") << 5 << "5=123" << "Shift+Enter" << 4
        << QStringList{};
    QTest::newRow("blank RG is not checked") << 5 << "" << "Enter" << 6 << QStringList{};
    QTest::newRow("telephones always checked") << 8 << "" << "Enter Enter" << 10
        << QStringList{"check4>", "check5>"};
    QTest::newRow("municipality backwards") << 16 << endereco << "Shift+Enter" << 15
        << QStringList{"check8<"};
    QTest::newRow("blank state moves on") << 15 << "14=1058" << "Enter" << 16 << QStringList{};
    QTest::newRow("F9 on a picker field") << 15 << "" << "F9" << 15 << QStringList{"list15"};
    QTest::newRow("F9 elsewhere") << 2 << "" << "F9" << 2 << QStringList{};
}
// clang-format on

void TstCadConsEdicao::navegacao()
{
    QFETCH(int, inicio);
    QFETCH(QString, textos);
    QFETCH(QString, teclas);
    QFETCH(int, fim);
    QFETCH(QStringList, log);

    Tela tela;
    preenche(tela, textos);
    E edicao(tela, tela);
    edicao.inLblAtiv = inicio;
    executa(edicao, teclas);
    QCOMPARE(edicao.inLblAtiv, fim);
    QCOMPARE(tela.log, log);
}

// clang-format off
void TstCadConsEdicao::digitacao_data()
{
    QTest::addColumn<int>("campo");
    QTest::addColumn<QString>("textos");
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<QString>("esperado"); // "n=text;..." after the keys

    QTest::newRow("date slashes") << 3 << "" << "type:01011990" << "3=01/01/1990";
    QTest::newRow("eleventh date character") << 3 << "" << "type:010119901" << "3=01/01/1990";
    QTest::newRow("slash after two digits doubles") << 3 << "" << "type:01/" << "3=01//";
    QTest::newRow("letters dropped from digit fields") << 4 << "" << "type:1a2" << "4=12";
    QTest::newRow("typed capitals land in lower case") << 2 << "" << "type:ANA~Maria"
        << "2=ana maria";
    QTest::newRow("name takes c-cedilla both ways") << 2 << "" << "type:\u00E7\u00C7"
        << "2=\u00E7\u00C7";
    QTest::newRow("RG refuses capital c-cedilla") << 5 << "" << "type:\u00E7\u00C7"
        << "5=\u00E7";
    QTest::newRow("no hyphen anywhere") << 6 << "" << "type:a-b" << "6=ab";
    QTest::newRow("e-mail takes @, name does not") << 6 << "" << "type:a@b" << "6=a@b";
    QTest::newRow("name drops @") << 2 << "" << "type:a@b" << "2=ab";
    QTest::newRow("outside Windows-1252 dropped") << 2 << "" << "type:a\u0141b\u00E9" << "2=ab";
    QTest::newRow("number takes letters only besides digits") << 12 << "" << "type:1a,~"
        << "12=1a";
    QTest::newRow("Shift with minus posts underscore") << 2 << "" << "Shift+Minus" << "2=_";
    QTest::newRow("backspace in the state clears its dependants") << 15
        << "15=S;16=0001;20=Sao Paulo;17=1;21=Centro;14=1058;19=Brasil" << "BS"
        << "15=;16=;20=;17=;21=;14=1058;19=Brasil";
    QTest::newRow("backspace on an empty state still clears") << 15 << "16=0001;20=Sao Paulo"
        << "BS" << "15=;16=;20=";
    QTest::newRow("backspace in the municipality keeps its name") << 16
        << "16=0001;20=Sao Paulo;17=1;21=Centro" << "BS" << "16=000;20=Sao Paulo;17=;21=";
    QTest::newRow("blank country clears what hung on it") << 14
        << "19=Brasil;15=SP;16=0001;20=Sao Paulo;17=1;21=Centro" << "Enter"
        << "19=;15=;16=;20=;17=;21=";
    QTest::newRow("touching a telephone masks it") << 1 << "8=11987654321" << "touch:8"
        << "8=(11)987654321";
}
// clang-format on

void TstCadConsEdicao::digitacao()
{
    QFETCH(int, campo);
    QFETCH(QString, textos);
    QFETCH(QString, teclas);
    QFETCH(QString, esperado);

    Tela tela;
    preenche(tela, textos);
    E edicao(tela, tela);
    edicao.inLblAtiv = campo;
    executa(edicao, teclas);
    Tela depois;
    preenche(depois, esperado);
    for (const QString &par : esperado.split(QLatin1Char(';'))) {
        const int numero = par.section(QLatin1Char('='), 0, 0).toInt();
        QCOMPARE(tela.texto(numero), depois.texto(numero));
    }
}

void TstCadConsEdicao::limitesDeTamanho_data()
{
    QTest::addColumn<int>("campo");
    QTest::addColumn<int>("maximo");
    QTest::addColumn<QChar>("caractere");
    const struct
    {
        int campo, maximo;
        char caractere;
    } limites[] = {{1, 8, '1'},   {2, 50, 'a'}, {4, 11, '1'},  {5, 10, 'a'},
                   {6, 50, 'a'},  {7, 13, '1'}, {8, 13, '1'},  {9, 13, '1'},
                   {11, 50, 'a'}, {12, 5, 'a'}, {13, 50, 'a'}, {14, 4, '1'},
                   {15, 2, 'a'},  {16, 4, '1'}, {17, 10, '1'}, {18, 250, 'a'}};
    for (const auto &l : limites)
        QTest::addRow("field %d", l.campo)
            << l.campo << l.maximo << QChar(QLatin1Char(l.caractere));
}

void TstCadConsEdicao::limitesDeTamanho()
{
    QFETCH(int, campo);
    QFETCH(int, maximo);
    QFETCH(QChar, caractere);

    Tela tela;
    E edicao(tela, tela);
    edicao.inLblAtiv = campo;
    for (int i = 0; i < maximo + 3; ++i)
        edicao.FormKeyPress(caractere);
    QCOMPARE(tela.texto(campo), QString(maximo, caractere));
}

// clang-format off
void TstCadConsEdicao::maiusculas_data()
{
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<QString>("texto");
    QTest::addColumn<bool>("legendas");
    QTest::addColumn<bool>("shift");

    QTest::newRow("Shift then two letters") << "sbtShift sbt:ab" << "Ab" << false << false;
    QTest::newRow("Shift is spent on a digit too") << "sbtShift sbt:1a" << "1a" << false
        << false;
    QTest::newRow("Shift outlives a dropped character") << "sbtShift type:-a" << "A" << false
        << false;
    QTest::newRow("Caps Lock then Shift on and off") << "Caps sbtShift sbtShift sbt:ab" << "AB"
        << false << false;
    QTest::newRow("Caps Lock keeps c-cedilla") << "Caps sbt:\u00E7a" << "\u00E7A" << true
        << false;
    QTest::newRow("physical Caps Lock toggles once") << "Caps type:ab" << "AB" << true << false;
    QTest::newRow("physical Caps Lock twice") << "Caps Caps type:ab" << "ab" << false << false;
    QTest::newRow("held physical Shift stays on") << "Shift Shift" << "" << false << true;
    QTest::newRow("physical Shift then a letter") << "Shift type:ab" << "Ab" << false << false;
}
// clang-format on

void TstCadConsEdicao::maiusculas()
{
    QFETCH(QString, teclas);
    QFETCH(QString, texto);
    QFETCH(bool, legendas);
    QFETCH(bool, shift);

    Tela tela;
    E edicao(tela, tela);
    edicao.inLblAtiv = 2;
    executa(edicao, teclas);
    QCOMPARE(tela.texto(2), texto);
    QCOMPARE(tela.legendas, legendas);
    QCOMPARE(edicao.boShift, shift);
}

// clang-format off
void TstCadConsEdicao::tecladoEDica_data()
{
    QTest::addColumn<int>("campo");
    QTest::addColumn<QString>("editado"); // the code of the consumer being edited
    QTest::addColumn<QString>("teclas");
    QTest::addColumn<QString>("recusadas"); // the on-screen characters refused afterwards
    QTest::addColumn<QString>("dica");

    const QString todas = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyz\u00E7 ,./\\_@");
    const QString naoDigitos = todas.mid(10);
    const QString joao = QStringLiteral("Telefone j\u00E1 cadastrado: JOAO SOUZA");
    QTest::newRow("digit field refuses letters") << 4 << "" << "" << naoDigitos << "";
    QTest::newRow("full field refuses every key") << 1 << "" << "type:01001000" << todas << "";
    QTest::newRow("shortened field takes digits again") << 1 << "" << "type:01001000 BS"
        << naoDigitos << "";
    QTest::newRow("name takes every key") << 2 << "" << "type:ana" << "" << "";
    QTest::newRow("date takes a slash, digits") << 3 << "" << "type:0"
        << QString(naoDigitos).remove(QLatin1Char('/')) << "";
    QTest::newRow("date after two digits takes any key") << 3 << "" << "type:01" << "" << "";
    QTest::newRow("ninth digit of a telephone: no hint") << 7 << "" << "type:119876543"
        << naoDigitos << "";
    QTest::newRow("tenth digit names the holder, masked in another column") << 7 << "" << "type:1198765432" << naoDigitos
        << joao;
    QTest::newRow("backspace clears the hint") << 7 << "" << "type:1198765432 BS" << naoDigitos
        << "";
    QTest::newRow("stored digits found") << 8 << "" << "type:2133334444" << naoDigitos
        << "Telefone j\u00E1 cadastrado: ANA REIS";
    QTest::newRow("the edited consumer never hints at himself") << 7 << "000000000000000000001"
        << "type:1198765432" << naoDigitos << "";
    QTest::newRow("CPF by its column") << 4 << "" << "type:52998224725" << todas
        << "CPF j\u00E1 cadastrado: ANA REIS";
    QTest::newRow("CPF by the code made from it") << 4 << "" << "type:11144477735" << todas
        << "CPF j\u00E1 cadastrado: JOAO SOUZA";
    QTest::newRow("wrong check digit: no hint") << 4 << "" << "type:52998224724" << todas << "";
    QTest::newRow("other field: no hint") << 7 << "" << "type:1198765432 Enter" << naoDigitos
        << "";
}
// clang-format on

void TstCadConsEdicao::tecladoEDica()
{
    QFETCH(int, campo);
    QFETCH(QString, editado);
    QFETCH(QString, teclas);
    QFETCH(QString, recusadas);
    QFETCH(QString, dica);

    auto lista = std::make_shared<kvt::MemTable>(QStringLiteral("adqPesqConsumidor"));
    QList<kvt::FieldDef> colunas;
    for (const char *c : {"CDCLIENTE", "CDCONSUMIDOR", "NMCONSUMIDOR", "NRTELECONS", "NRTELE2CONS",
                          "NRCELULARCONS", "NRCPFRESPCON"})
        colunas << kvt::stringField(QString::fromLatin1(c), 21);
    lista->createDataSet(colunas);
    lista->appendRecord({"0001", "000000000000000000001", "JOAO SOUZA", "", "", "(11)98765432",
                         ""});
    lista->appendRecord({"0001", "000000000011144477735", "JOAO SOUZA", "", "", "", ""});
    lista->appendRecord({"0001", "000000000000000000007", "ANA REIS", "", "2133334444", "",
                         "52998224725"});
    // Another client's consumer with the same CPF is not this client's duplicate.
    lista->appendRecord({"0002", "000000000000000000001", "OUTRO", "", "", "", "11144477735"});

    Tela tela;
    E edicao(tela, tela);
    edicao.estado.stCdCliente = QStringLiteral("0001");
    edicao.estado.stConsumidor = editado;
    edicao.estado.adqPesqConsumidor = lista;
    CadConsDica linha(edicao, tela);
    edicao.inLblAtiv = campo;
    executa(edicao, teclas);

    const QString todas = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyz\u00E7 ,./\\_@");
    QString recusou;
    for (const QChar c : todas) {
        if (!edicao.aceita(c))
            recusou += c;
    }
    QCOMPARE(recusou, recusadas);
    QCOMPARE(linha.atualiza(), dica);
    // What was refused is what postaTexto drops.
    for (const QChar c : todas) {
        const QString antes = tela.texto(edicao.inLblAtiv);
        const bool aceitou = edicao.aceita(c);
        edicao.postaTexto(edicao.inLblAtiv, QString(c), false);
        QCOMPARE(tela.texto(edicao.inLblAtiv) != antes, aceitou);
        tela.setTexto(edicao.inLblAtiv, antes);
    }
}

void TstCadConsEdicao::paradaMantemCampo()
{
    // A look-up that finds nothing keeps the operator on the field and skips the rest of the
    // key; a silent abort does the same.
    Tela tela;
    tela.recusa = {E::Verificacao::Estado};
    preenche(tela, QStringLiteral("15=XX"));
    E edicao(tela, tela);
    edicao.inLblAtiv = 15;
    executa(edicao, QStringLiteral("Ctrl+Enter"));
    QCOMPARE(edicao.inLblAtiv, 15);
    QCOMPARE(tela.log, QStringList{QStringLiteral("check7>")});

    class Aborta : public Tela
    {
        bool verifica(E::Verificacao, bool) override { kvt::Abort(); }
    } abortando;
    E outra(abortando, abortando);
    outra.inLblAtiv = 3;
    QVERIFY_THROWS_EXCEPTION(kvt::EAbort, outra.FormKeyDown(E::VK_RETURN, 0));
    QCOMPARE(outra.inLblAtiv, 3);
}

void TstCadConsEdicao::altF4NaoFecha()
{
    Tela tela;
    E edicao(tela, tela);
    edicao.inLblAtiv = 2;
    QCOMPARE(edicao.FormKeyDown(E::VK_F4, E::Alt), 0);
    QCOMPARE(edicao.FormKeyDown(E::VK_F4, 0), int(E::VK_F4));
    QCOMPARE(edicao.FormKeyDown(E::VK_ESCAPE, 0), int(E::VK_ESCAPE));
    QCOMPARE(tela.log, (QStringList{"capture", "capture", "exit"}));
}

QTEST_APPLESS_MAIN(TstCadConsEdicao)
#include "tst_cadconsedicao.moc"
