#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "server/Srv_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/DataSet.h"
#include "toolkit/TextRules.h"
#include "toolkit/TouchButton.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>

namespace {

constexpr int kLarguraJanela = 800;
constexpr int kAlturaJanela = 600;

void pintaFundo(QWidget *painel, const QColor &cor)
{
    QPalette p = painel->palette();
    p.setColor(QPalette::Window, cor);
    painel->setPalette(p);
}

// A yes/no column as the host may store it: a Boolean, a number or a text "S"/"N".
bool simNao(const QVariant &valor)
{
    switch (valor.typeId()) {
    case QMetaType::Bool:
        return valor.toBool();
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString texto = kvt::text::asciiUpper(valor.toString().trimmed());
        return texto == QLatin1String("S") || texto == QLatin1String("T") ||
               texto == QLatin1String("Y") || texto == QLatin1String("TRUE") ||
               texto == QLatin1String("1");
    }
    default:
        return !valor.isNull() && valor.toDouble() != 0;
    }
}

} // namespace

QString paramText(const QVariantList &list, int i)
{
    if (i < 0 || i >= list.size() || list.at(i).isNull())
        return {};
    return list.at(i).toString();
}

QPoint windowOrigin(const QRect &screen, const QSize &window, const QPoint &current)
{
    QPoint origem = current;
    if (screen.width() < window.width())
        origem.setX(screen.left() + (screen.width() - window.width()) / 2);
    if (screen.height() < window.height())
        origem.setY(screen.top() + (screen.height() - window.height()) / 2);
    return origem;
}

void TfrmCadCons::InicializaForm(const QVariantList &arParams)
{
    // The entry point's session brings one; a form opened without it installs its own.
    if (!rdmInsereConsumidor)
        m_modulo = std::make_unique<DataModuleScope>();
    rdmInsereConsumidor->connectDatabase();

    estado().stCdCliente = paramText(arParams, 0);
    estado().stConsumidor = paramText(arParams, 1);
    estado().stTelefone = paramText(arParams, 2);
    estado().stModo = paramText(arParams, 3);

    resize(kLarguraJanela, kAlturaJanela);
    if (const QScreen *tela = QGuiApplication::primaryScreen()) {
        const QRect area = tela->geometry();
        // Centred, as the form is placed; a small screen then moves only the edges it overhangs.
        QRect centrada(QPoint(), size());
        centrada.moveCenter(area.center());
        move(windowOrigin(area, size(), centrada.topLeft()));
    }

    estado().stResult = QStringLiteral("SAIR");

    leParametros();

    lblCodTela->setText(MontaRodapeGeral(estado().boUtilizaImpFis, QStringLiteral("KVT04410"),
                                         QStringLiteral("S")));

    m_edicao.inLblAtiv = 1;
    mudaCor();

    m_buscas.abre();

    m_edicao.mascaraTelefones();
    mostraTecladoEDica();
}

void TfrmCadCons::leParametros()
{
    const QString arquivo = hostDir() + QStringLiteral("/PARAMETROSZET.CDS");
    if (!QFileInfo::exists(arquivo))
        return;

    cdsParametrosZet.loadFromFile(arquivo);
    cdsParametrosZet.open();
    // A file without a row reads as the initial values, as a missing file does; its columns
    // must still all be there.
    const char *const colunas[] = {"INCOR1",      "INCOR2",     "INCOR3",        "INCOR4",
                                   "INCOR5",      "INCOR6",     "UTILIZAIMPFIS", "IDESQUEMA",
                                   "CDCCUSCLIE",  "CDTIPOCONS", "CDFILIAL",      "CDLOJA",
                                   "IDVALIDAATEN"};
    for (const char *coluna : colunas)
        cdsParametrosZet.fieldByName(QString::fromLatin1(coluna));
    if (cdsParametrosZet.isEmpty())
        return;
    cdsParametrosZet.first();
    const auto inteiro = [this](const char *coluna) {
        return cdsParametrosZet.fieldValue(QString::fromLatin1(coluna)).toInt();
    };
    const auto texto = [this](const char *coluna) {
        return cdsParametrosZet.asString(QString::fromLatin1(coluna));
    };
    estado().incor1 = inteiro("INCOR1");
    estado().incor2 = inteiro("INCOR2");
    estado().incor3 = inteiro("INCOR3");
    estado().incor4 = inteiro("INCOR4");
    estado().incor5 = inteiro("INCOR5");
    estado().incor6 = inteiro("INCOR6");
    estado().boUtilizaImpFis = simNao(cdsParametrosZet.fieldValue(QStringLiteral("UTILIZAIMPFIS")));
    estado().stIdEsquema = texto("IDESQUEMA");
    estado().stCdCusClie = texto("CDCCUSCLIE");
    estado().stCdTipoCons = texto("CDTIPOCONS");
    estado().stCdFilial = texto("CDFILIAL");
    estado().stCdLoja = texto("CDLOJA");
    estado().stIdValidaAten = texto("IDVALIDAATEN");
    if (EmptyString(estado().stCdCliente))
        estado().stCdCliente = texto("CDCLIENTE");

    const QColor cor = kvt::tcolor(cadcons::kCorBorda);
    pintaFundo(panTeclado, cor);
    pintaFundo(panOutros, cor);
}
