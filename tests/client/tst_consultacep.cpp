#include "FormTestBackend.h"

#include "client/Cli_Kvt04410.h"
#include "client/ProvedoresCep.h"
#include "client/RespostasCep.h"
#include "host/HostZet.h"
#include "tests/CannedServer.h"
#include "toolkit/Dispatch.h"
#include "toolkit/SiteFiles.h"
#include "toolkit/TouchButton.h"

#include <QApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTemporaryDir>

// The address filled from the postal-code web service when the system's own table has no row:
// Enter on the postal code against a local stand-in of the service, once per database backend.
class TstConsultaCep : public FormTestBackend
{
    Q_OBJECT

public:
    using FormTestBackend::FormTestBackend;

private slots:
    void initTestCase();
    void init();

    void preencheEndereco_data();
    void preencheEndereco();
    void registroDoDia();
    void falhaNaRotina();
    void esperaPelaResposta();

private:
    // A new consumer's screen whose address fields hold the values of kAntes.
    std::unique_ptr<TfrmCadCons> abre();
    // The log's lines, each without its date and time; "<no date>" marks a line without them.
    QStringList linhasDoLog() const;
};

namespace {

// Served by the branch and not in the postal-code table: Enter asks the web.
const QString kCepWeb = QStringLiteral("04500000");

const QStringList kAntes = {QStringLiteral("Rua Antiga"), QStringLiteral("0063"),
                            QStringLiteral("ARGENTINA"),  QStringLiteral("XX"),
                            QStringLiteral("0009"),       QStringLiteral("Antigo"),
                            QStringLiteral("0000000009"), QStringLiteral("Bairro Antigo")};

using namespace cadcons;
const int kEndereco[] = {Endereco, CodPais, NmPais, Estado, CodMuni, NmMuni, Bairro, NmBairro};

void poeEndereco(TfrmCadCons &form, const QStringList &valores)
{
    for (int i = 0; i < valores.size(); ++i)
        form.campo(kEndereco[i])->setCaption(valores.at(i));
}

QStringList endereco(const TfrmCadCons &form)
{
    QStringList valores;
    for (const int campo : kEndereco)
        valores << form.campo(campo)->caption();
    return valores;
}

// The postal code typed into field 1 and confirmed with Enter, the services at `servico` and
// `segundo` (none when empty).
void digitaCep(TfrmCadCons &form, const QString &cep, const QString &servico,
               const QString &segundo = {})
{
    qputenv("KVT_CEP_URL", servico.toUtf8());
    qputenv("KVT_CEP_FALLBACK_URL", segundo.toUtf8());
    form.campoClick(1);
    form.campo(cadcons::Cep)->setCaption(QString());
    QTest::keyClicks(&form, cep);
    QTest::keyClick(&form, Qt::Key_Return);
}

// A stand-in answering `resposta`; "silent" accepts and says nothing, "slow " before an answer
// waits half a second ("refused" and "off" are no server: see url()).
std::unique_ptr<CannedServer> servidor(const QByteArray &resposta)
{
    const bool lento = resposta.startsWith("slow ");
    auto s = std::make_unique<CannedServer>(resposta == "silent" ? QByteArray()
                                                                 : resposta.mid(lento ? 5 : 0));
    s->delayMs = lento ? 500 : 0;
    return s->listen() ? std::move(s) : nullptr;
}

QString url(const QByteArray &resposta, const CannedServer &s)
{
    return resposta == "refused" ? refusedUrl() : resposta == "off" ? QString() : s.url();
}

QJsonObject gravada(int indice, const char *arquivo = "postal-code-answers.json")
{
    QFile file(qEnvironmentVariable("KVT_SOURCE_DIR") + QStringLiteral("/tests/client/data/") +
               QLatin1String(arquivo));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array().at(indice).toObject();
}

QByteArray corpoGravado(int indice, const char *arquivo = "postal-code-answers.json")
{
    return gravada(indice, arquivo).value(QLatin1String("body")).toString().toUtf8();
}

// A recorded answer as the service (or the second one) sent it.
QByteArray respostaGravada(int indice, const char *arquivo = "postal-code-answers.json")
{
    const QJsonObject resposta = gravada(indice, arquivo);
    const int status = resposta.value(QLatin1String("status")).toInt();
    return httpAnswer(status == 200 ? "200 OK" : QByteArray::number(status) + " Bad Request",
                      status == 200 ? "application/json; charset=utf-8" : "text/html",
                      corpoGravado(indice, arquivo));
}

QByteArray json(const char *corpo)
{
    return httpAnswer("200 OK", "application/json; charset=utf-8", corpo);
}

} // namespace

void TstConsultaCep::initTestCase()
{
    FormTestBackend::initTestCase();
    QVERIFY2(!gravada(0).isEmpty(), "the recorded answers were not found");
    qputenv("KVT_CEP_TIMEOUT_S", "1");
}

void TstConsultaCep::init()
{
    FormTestBackend::init();
    cadcons::PausaProvedores::doProcesso().liberaTodos();
}

std::unique_ptr<TfrmCadCons> TstConsultaCep::abre()
{
    auto form = FormTestBackend::abre();
    poeEndereco(*form, kAntes);
    return form;
}

QStringList TstConsultaCep::linhasDoLog() const
{
    static const QRegularExpression data(
        QStringLiteral(R"(^\d\d/\d\d/\d{4}( \d\d:\d\d:\d\d)? - )"));
    QByteArray texto;
    const QDir pasta(m_host->filePath(QStringLiteral("dados/logCep")));
    for (const QString &nome : pasta.entryList({QStringLiteral("logCep*.txt")}, QDir::Files)) {
        QFile file(pasta.filePath(nome));
        if (file.open(QIODevice::ReadOnly))
            texto += file.readAll();
    }
    QStringList linhas = QString::fromUtf8(texto).split(QStringLiteral("\r\n"));
    if (!linhas.isEmpty() && linhas.constLast().isEmpty())
        linhas.removeLast();
    for (QString &linha : linhas) {
        const QRegularExpressionMatch match = data.match(linha);
        linha = match.hasMatch() ? linha.mid(match.capturedLength())
                                 : QStringLiteral("<no date> ") + linha;
    }
    return linhas;
}

void TstConsultaCep::preencheEndereco_data()
{
    QTest::addColumn<QByteArray>("resposta");
    QTest::addColumn<QByteArray>("segunda");  // the second service's
    QTest::addColumn<QString>("perguntados"); // "1": the first service asked, "2": the second
    QTest::addColumn<QString>("dica");
    QTest::addColumn<QStringList>("depois"); // street, country, state, municipality, neighbourhood

    const QString rua = kAntes.at(0);
    const char *api = "second-provider-answers.json";
    const QByteArray blumenau = respostaGravada(0, api);
    const QStringList ibirapuera = {"Avenida Ibirapuera", "1058",       "BRASIL", "SP", "0001",
                                    "Sao Paulo",          "0000000002", "Moema"};
    QTest::newRow("IBGE code registered, neighbourhood not")
        << respostaGravada(0) << blumenau << "1" << QString()
        << QStringList{"Praça da Sé", "1058", "BRASIL", "SP", "0001", "Sao Paulo", "", ""};
    QTest::newRow("IBGE code registered, neighbourhood in other case")
        << json(R"({"logradouro": "Avenida Ibirapuera", "bairro": "MOEMA",)"
                R"( "localidade": "SAO PAULO", "uf": "SP", "ibge": "3550308"})")
        << blumenau << "1" << QString() << ibirapuera;
    QTest::newRow("only the state: municipality and neighbourhood by name")
        << json(R"({"logradouro": "Rua Barreto Leme", "bairro": "Cambui",)"
                R"( "localidade": "Campinas", "uf": "SP", "ibge": "9999999"})")
        << blumenau << "1" << QString()
        << QStringList{"Rua Barreto Leme", "0063",       "ARGENTINA", "SP", "0002",
                       "Campinas",         "0000000001", "Cambui"};
    QTest::newRow("state registered, municipality not")
        << respostaGravada(4) << blumenau << "1" << QString()
        << QStringList{"Estrada do Barreirinho", "0063", "ARGENTINA", "SP", "", "", "", ""};
    QTest::newRow("state not registered")
        << json(R"({"logradouro": "Rua da Bahia", "bairro": "Centro",)"
                R"( "localidade": "Belo Horizonte", "uf": "MG", "ibge": "3106200"})")
        << blumenau << "1" << QString()
        << QStringList{"Rua da Bahia", "0063", "ARGENTINA", "", "", "", "", ""};
    // Read as text, "uf" would be found in the street and the state would be "fr".
    QTest::newRow("street holding uf, keys missing, escapes")
        << json(R"({"logradouro": "Rodovia dos N\u00e1ufragos", "bairro": "Copa\u0063abana",)"
                R"( "localidade": "Rio de Janeiro", "uf": "RJ"})")
        << blumenau << "1" << QString()
        << QStringList{"Rodovia dos Náufragos", "0063",       "ARGENTINA", "RJ", "0001",
                       "Rio de Janeiro",        "0000000001", "Copacabana"};
    QTest::newRow("street too long and outside Windows-1252")
        << json(R"({"logradouro": "Rua \u014csaka )" + QByteArray(250, 'x') + R"(", "uf": "MG"})")
        << blumenau << "1" << QString()
        << QStringList{(QStringLiteral("Rua Osaka ") + QString(250, QLatin1Char('x'))).left(200),
                       "0063",
                       "ARGENTINA",
                       "",
                       "",
                       "",
                       "",
                       ""};
    QTest::newRow("first slow, within the wait")
        << QByteArray("slow ") + respostaGravada(0) << QByteArray("silent") << "1" << QString()
        << QStringList{"Praça da Sé", "1058", "BRASIL", "SP", "0001", "Sao Paulo", "", ""};
    QTest::newRow("first silent, second answers")
        << QByteArray("silent")
        << httpAnswer("200 OK", "application/json",
                      R"({"cep": "04500000", "state": "SP", "city": "São Paulo",)"
                      R"( "neighborhood": "Moema", "street": "Avenida Ibirapuera",)"
                      R"( "service": "viacep", "ibge": {"city": "3550308", "state": "35"}})")
        << "12" << QString()
        << QStringList{"Avenida Ibirapuera", "1058", "BRASIL", "SP", "0001", "Sao Paulo", "", ""};
    QTest::newRow("first refused, second with ibge null: municipality by name")
        << QByteArray("refused")
        << httpAnswer("200 OK", "application/json",
                      R"({"cep": "04500000", "state": "SP", "city": "Campinas",)"
                      R"( "neighborhood": "Cambui", "street": "Rua Barreto Leme", "ibge": null})")
        << "12" << QString()
        << QStringList{"Rua Barreto Leme", "0063",       "ARGENTINA", "SP", "0002",
                       "Campinas",         "0000000001", "Cambui"};
    QTest::newRow("first 502, second without IBGE code, state not registered")
        << httpAnswer("502 Bad Gateway", "text/html", "<html>502</html>") << respostaGravada(1, api)
        << "12" << QString()
        << QStringList{"Rua Doutor Luiz de Freitas Melro", "0063", "ARGENTINA", "", "", "", "", ""};

    // No address: the street and the neighbourhood are cleared, the rest stays.
    const QString indisponivel = QString::fromUtf8(CadConsViaCep::kIndisponivel);
    const QString naoEncontrado = QString::fromUtf8(CadConsViaCep::kNaoEncontrado);
    const QStringList semResposta = {"", "0063", "ARGENTINA", "XX", "0009", "Antigo", "", ""};
    QTest::newRow("not found, erro true")
        << respostaGravada(1) << blumenau << "1" << naoEncontrado << semResposta;
    QTest::newRow("not found, erro \"true\"")
        << respostaGravada(2) << blumenau << "1" << naoEncontrado << semResposta;
    QTest::newRow("400 with an html page, no second service")
        << respostaGravada(3) << QByteArray("off") << "1" << indisponivel << semResposta;
    QTest::newRow("200 that is no json object, second 400")
        << httpAnswer("200 OK", "text/html", "<html>em manuten\xc3\xa7\xc3\xa3o</html>")
        << respostaGravada(3, api) << "12" << indisponivel << semResposta;
    QTest::newRow("400 with an html page, second not found")
        << respostaGravada(3) << respostaGravada(2, api) << "12" << naoEncontrado << semResposta;
    QTest::newRow("both silent") << QByteArray("silent") << QByteArray("silent") << "12"
                                 << indisponivel << semResposta;
}

void TstConsultaCep::preencheEndereco()
{
    QFETCH(QByteArray, resposta);
    QFETCH(QByteArray, segunda);
    QFETCH(QString, perguntados);
    QFETCH(QString, dica);
    QFETCH(QStringList, depois);

    const auto primeiro = servidor(resposta), segundo = servidor(segunda);
    QVERIFY(primeiro && segundo);
    const QString urls[] = {url(resposta, *primeiro), url(segunda, *segundo)};
    auto form = abre();
    digitaCep(*form, kCepWeb, urls[0], urls[1]);

    QCOMPARE(endereco(*form), depois);
    // The delivery line of the fixture's neighbourhood found, by its name; none without one.
    const QHash<QString, QString> entrega = {{"Moema", "Entrega: R$ 7,25 · 45 min"},
                                             {"Cambui", "Entrega: R$ 4,00 · 20 min"},
                                             {"Copacabana", "Entrega: R$ 9,00 · 60 min"}};
    QCOMPARE(form->findChild<QLabel *>(QStringLiteral("lblEntrega"))->text(),
             entrega.value(depois.last()));
    QCOMPARE(form->property("kvtDica").toString(), dica);
    QVERIFY2(m_mensagens.isEmpty(), qPrintable(m_mensagens.join(QLatin1Char('\n'))));
    QCOMPARE(form->edicao().inLblAtiv, 2);
    const QStringList log = linhasDoLog();
    QCOMPARE(log.contains(QStringLiteral("URL: %1/ws/04500000/json/").arg(urls[0])),
             perguntados.contains(QLatin1Char('1')));
    QCOMPARE(log.contains(QStringLiteral("URL: %1/api/cep/v1/04500000").arg(urls[1])),
             perguntados.contains(QLatin1Char('2')));

    // An address is kept, and the same postal code fills it again without a request.
    const cadcons::RespostasCep guardadas(cadcons::RespostasCep::arquivoDoHost(m_host->path()));
    QCOMPARE(guardadas.procura(kCepWeb, QDate::currentDate()).has_value(), dica.isEmpty());
    if (!dica.isEmpty())
        return;
    QCOMPARE(QFile::permissions(cadcons::RespostasCep::arquivoDoHost(m_host->path())),
             kvt::files::kGroupOnly);
    const qsizetype pedidos = primeiro->requests() + segundo->requests();
    poeEndereco(*form, kAntes);
    digitaCep(*form, kCepWeb, urls[0], urls[1]);
    QCOMPARE(endereco(*form), depois);
    QCOMPARE(primeiro->requests() + segundo->requests(), pedidos);
    QVERIFY(linhasDoLog().constLast().startsWith(QLatin1String("Resposta guardada no terminal")));
}

void TstConsultaCep::registroDoDia()
{
    auto form = abre();
    CannedServer naoAchou(httpAnswer("404 Not Found", "text/plain", "nada"));
    CannedServer achou(respostaGravada(0));
    CannedServer quebrado(httpAnswer("200 OK", "application/json", "{\"uf\": \"SP\""));
    CannedServer local(respostaGravada(0));
    QVERIFY(naoAchou.listen() && achou.listen() && quebrado.listen() && local.listen());
    quint16 porta = 0;
    {
        QTcpServer fechado;
        QVERIFY(fechado.listen(QHostAddress::LocalHost));
        porta = fechado.serverPort();
    }
    const QString recusado = QStringLiteral("http://127.0.0.1:%1").arg(porta);
    QVERIFY(QDir().mkpath(m_host->filePath(QStringLiteral("Dados/Cadastros"))));
    QFile danificado(RespostasCep::arquivoDoHost(m_host->path()));
    QVERIFY(danificado.open(QIODevice::WriteOnly) && danificado.write("{\"04500001\": {\"bu") > 0);
    danificado.close();

    digitaCep(*form, kCepWeb, naoAchou.url());
    digitaCep(*form, kCepWeb, recusado);
    digitaCep(*form, QStringLiteral("04500001"), achou.url());
    digitaCep(*form, QStringLiteral("04500002"), quebrado.url());
    // A postal code of the system's own table asks nothing and logs nothing.
    digitaCep(*form, QStringLiteral("01001000"), local.url());
    QVERIFY(local.request().isEmpty());
    QCOMPARE(form->campo(cadcons::Endereco)->caption(), QStringLiteral("Praca da Se"));

    const QString url = QStringLiteral("URL: %1/ws/%2/json/");
    QStringList linhas = linhasDoLog();
    QVERIFY2(linhas.size() == 16, qPrintable(linhas.join(QLatin1Char('\n'))));
    // The texts of a refused connection and of a parse failure are Qt's.
    for (const auto &[linha, inicio] :
         {std::pair{6, QStringLiteral("Erro na requisição: Desconhecido: ")},
          std::pair{14, QStringLiteral("Erro na requisição: 200 - ")}}) {
        QVERIFY2(linhas.at(linha).startsWith(inicio) && linhas.at(linha).size() > inicio.size(),
                 qPrintable(linhas.at(linha)));
        linhas[linha] = inicio;
    }
    const QStringList esperado = {
        QStringLiteral("------------------"),
        url.arg(naoAchou.url(), kCepWeb),
        QStringLiteral("Erro na requisição: 404 - nada"),
        url.arg(naoAchou.url(), kCepWeb),
        QStringLiteral("------------------"),
        url.arg(recusado, kCepWeb),
        QStringLiteral("Erro na requisição: Desconhecido: "),
        url.arg(recusado, kCepWeb),
        QStringLiteral("------------------"),
        url.arg(achou.url(), QStringLiteral("04500001")),
        QStringLiteral("Response: ") + QString::fromUtf8(corpoGravado(0)),
        QStringLiteral("------------------"),
        url.arg(quebrado.url(), QStringLiteral("04500002")),
        QStringLiteral("Response: {\"uf\": \"SP\""),
        QStringLiteral("Erro na requisição: 200 - "),
        url.arg(quebrado.url(), QStringLiteral("04500002")),
    };
    QCOMPARE(linhas, esperado);
    QVERIFY2(m_mensagens.isEmpty(), qPrintable(m_mensagens.join(QLatin1Char('\n'))));

    // Refused a moment ago: left alone, and the log says until when.
    digitaCep(*form, kCepWeb, recusado);
    QVERIFY(linhasDoLog().constLast().startsWith(QStringLiteral("Consulta pulada até ")));
    QVERIFY(linhasDoLog().constLast().endsWith(url.arg(recusado, kCepWeb).mid(5)));

    // The damaged file of kept answers was passed over and written anew; an answer older than
    // its validity is not used.
    const RespostasCep guardadas(RespostasCep::arquivoDoHost(m_host->path()));
    QVERIFY(guardadas.procura(QStringLiteral("04500001"), QDate::currentDate()));
    const QDate antiga = QDate::currentDate().addDays(-RespostasCep::kDiasValidade - 1);
    QVERIFY(guardadas.guarda(kCepWeb, {{QStringLiteral("SGESTADO"), QStringLiteral("SP")}}, antiga)
                .isEmpty());
    QVERIFY(guardadas.procura(kCepWeb, antiga.addDays(RespostasCep::kDiasValidade)));
    QVERIFY(!guardadas.procura(kCepWeb, QDate::currentDate()));
}

void TstConsultaCep::falhaNaRotina()
{
    // A reference service that fails: the street is in, state to neighbourhood are cleared.
    auto form = abre();
    exec(QStringLiteral("DROP TABLE ESTADO"));
    CannedServer server(respostaGravada(0));
    QVERIFY(server.listen());
    digitaCep(*form, kCepWeb, server.url());
    QCOMPARE(endereco(*form),
             (QStringList{"Praça da Sé", "0063", "ARGENTINA", "", "", "", "", ""}));
    const QString excecao = QStringLiteral("Exceção na rotina de busca de endereço via CEP: ");
    const QString ultima = linhasDoLog().value(3);
    QVERIFY2(ultima.startsWith(excecao) && ultima.size() > excecao.size(), qPrintable(ultima));

    // Without a log to write to, the look-up's error reaches the operator and the postal code
    // stays current.
    QFile dados(m_host->filePath(QStringLiteral("dados")));
    QVERIFY(QDir(dados.fileName()).removeRecursively());
    QVERIFY(dados.open(QIODevice::WriteOnly));
    dados.close();
    CannedServer outro(respostaGravada(0));
    QVERIFY(outro.listen());
    poeEndereco(*form, kAntes);
    digitaCep(*form, kCepWeb, outro.url());
    QVERIFY(outro.request().isEmpty());
    QCOMPARE(endereco(*form), (QStringList{"Rua Antiga", "0063", "ARGENTINA", "", "", "", "", ""}));
    QCOMPARE(m_mensagens, QStringList{QStringLiteral("ERROR Não foi possível criar a pasta ") +
                                      dados.fileName() + QStringLiteral("/logCep.")});
    QCOMPARE(form->edicao().inLblAtiv, 1);
}

void TstConsultaCep::esperaPelaResposta()
{
    // A service that never answers: the screen gives up after its time-out, busy meanwhile;
    // what the operator types while waiting lands afterwards in the next field, and a touch
    // (the on-screen Backspace) is dropped.
    CannedServer server{QByteArray()};
    QVERIFY(server.listen());
    auto form = abre();
    int cursor = -1;
    TfrmCadCons *const tela = form.get();
    server.onRequest = [&cursor, tela] {
        if (const QCursor *c = QGuiApplication::overrideCursor())
            cursor = c->shape();
        for (const auto &[tecla, texto] : {std::pair{Qt::Key_Backspace, QStringLiteral("\b")},
                                           std::pair{Qt::Key_A, QStringLiteral("a")}}) {
            QCoreApplication::postEvent(
                tela, new QKeyEvent(QEvent::KeyPress, tecla, Qt::NoModifier, texto));
        }
        auto *apaga = tela->findChild<kvt::TouchButton *>(QStringLiteral("sbtBackSpace"));
        for (const QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            const Qt::MouseButtons botoes =
                tipo == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
            QCoreApplication::postEvent(apaga,
                                        new QMouseEvent(tipo, QPointF(4, 4), QPointF(4, 4),
                                                        Qt::LeftButton, botoes, Qt::NoModifier));
        }
    };
    digitaCep(*form, kCepWeb, server.url());
    QCOMPARE(form->property("kvtDica").toString(), QString::fromUtf8(CadConsViaCep::kIndisponivel));
    QCoreApplication::processEvents();

    QCOMPARE(form->property("kvtDica").toString(), QString()); // gone at the next key
    QCOMPARE(cursor, int(Qt::WaitCursor));
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(form->campo(cadcons::Cep)->caption(), kCepWeb);
    QCOMPARE(form->campo(cadcons::NmConsumidor)->caption(), QStringLiteral("a"));
    QCOMPARE(form->edicao().inLblAtiv, 2);
    QCOMPARE(endereco(*form),
             (QStringList{"", "0063", "ARGENTINA", "XX", "0009", "Antigo", "", ""}));
    QCOMPARE(linhasDoLog().value(2),
             QStringLiteral("Erro na requisição: Desconhecido: Tempo limite de 1 s esgotado."));
    QVERIFY2(m_mensagens.isEmpty(), qPrintable(m_mensagens.join(QLatin1Char('\n'))));

    // Within the pause the silent service is not asked again.
    digitaCep(*form, kCepWeb, server.url());
    QCOMPARE(server.requests(), 1);
    QVERIFY(linhasDoLog().constLast().startsWith(QStringLiteral("Consulta pulada até ")));
}

KVT_FORM_TEST_MAIN(TstConsultaCep)

#include "tst_consultacep.moc"
