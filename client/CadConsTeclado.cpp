#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/HostZet.h"
#include "host/ScreenServices.h"
#include "host/TMessages.h"
#include "toolkit/Dispatch.h"
#include "toolkit/PictureButton.h"
#include "toolkit/TouchButton.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>

namespace {

template <class Button, class Handler> void liga(Button *botao, TfrmCadCons *form, Handler handler)
{
    QObject::connect(botao, &QAbstractButton::clicked, form, [form, handler] {
        kvt::dispatch([form, handler] { handler(form); });
        kvt::dispatch([form] { form->mostraTecladoEDica(); });
    });
}

} // namespace

void TfrmCadCons::ligaControles()
{
    using namespace cadcons;
    for (int numero = 1; numero <= kNumCampos; ++numero)
        liga(campo(numero), this, [numero](TfrmCadCons *f) { f->campoClick(numero); });
    // A name display selects its code field.
    const std::pair<int, int> nomes[] = {{NmPais, CodPais}, {NmMuni, CodMuni}, {NmBairro, Bairro}};
    for (const auto &[nome, codigo] : nomes) {
        const int numero = codigo;
        liga(campo(nome), this, [numero](TfrmCadCons *f) { f->campoClick(numero); });
    }

    using F = TfrmCadCons;
    const struct
    {
        QAbstractButton *botao;
        void (F::*handler)();
    } teclas[] = {
        {sbt_, &F::sbt_Click},
        {sbtBackSpace, &F::sbtBackSpaceClick},
        {sbtShift, &F::sbtShiftClick},
        {sbtCapsLock, &F::sbtCapsLockClick},
        {sbtOutros, &F::sbtOutrosClick},
        {sbtEnter, &F::sbtEnterClick},
        {sbtLimpar, &F::sbtLimparClick},
        {sbtSair, &F::sbtSairClick},
        {sbtDigital, &F::sbtDigitalClick},
        {sbtConfirmar, &F::sbtConfirmarClick},
        {sbtPesqCons, &F::sbtPesqConsClick},
        {dfxPesqPais, &F::dfxPesqPaisClick},
        {dxfPesqEstado, &F::dxfPesqEstadoClick},
        {dxfMunicipio, &F::dxfMunicipioClick},
        {dxfBairro, &F::dxfBairroClick},
        {dxfTipoVenda, &F::dxfTipoVendaClick},
    };
    for (const auto &t : teclas)
        liga(t.botao, this, [handler = t.handler](F *f) { (f->*handler)(); });

    // Every other key of the keyboard posts the character its tag holds.
    for (kvt::TouchButton *tecla : panTeclado->findChildren<kvt::TouchButton *>()) {
        if (tecla->tag() < ' ')
            continue;
        // The host's replay lists the character keys it finds disabled.
        tecla->setProperty("kvtTecla", true);
        m_teclasCaractere.push_back(tecla);
        const bool especial = std::any_of(std::begin(teclas), std::end(teclas),
                                          [tecla](const auto &t) { return t.botao == tecla; });
        if (especial)
            continue;
        const QChar caractere(char16_t(tecla->tag()));
        liga(tecla, this, [caractere](F *f) { f->sbtCaracterClick(caractere); });
    }
}

void TfrmCadCons::mostraTecladoEDica()
{
    for (kvt::TouchButton *tecla : m_teclasCaractere)
        tecla->setEnabled(m_edicao.aceita(QChar(char16_t(tecla->tag()))));
    const QString linha = m_dica.atualiza();
    if (lblDica->text() == linha)
        return;
    lblDica->setText(linha);
    // The host's replay prints each change of the line.
    setProperty("kvtDica", linha);
}

QString TfrmCadCons::texto(int numero) const
{
    const kvt::TouchButton *controle = campo(numero);
    return controle ? controle->caption() : QString();
}

void TfrmCadCons::setTexto(int numero, const QString &texto)
{
    if (kvt::TouchButton *controle = campo(numero))
        controle->setCaption(texto);
    // The delivery line follows the neighbourhood whichever way it is cleared or changed.
    if (numero == cadcons::Bairro)
        mostraEntrega();
}

void TfrmCadCons::anotaEntrega(const kvt::DataSet &origem)
{
    m_entrega.anota(origem, edtBairro->caption());
    mostraEntrega();
}

void TfrmCadCons::mostraEntrega()
{
    const QString linha = m_entrega.linhaPara(edtBairro->caption());
    if (lblEntrega->text() == linha)
        return;
    lblEntrega->setText(linha);
    // The host's replay prints it with `dump`.
    setProperty("kvtEntrega", linha);
}

void TfrmCadCons::postaTexto(int inTag, const QString &stNumAdd, bool boBckSpc)
{
    m_edicao.postaTexto(inTag, stNumAdd, boBckSpc);
}

void TfrmCadCons::campoClick(int numero)
{
    m_edicao.selecionaCampo(numero);
}

void TfrmCadCons::sbtCaracterClick(QChar caractere)
{
    postaTexto(m_edicao.inLblAtiv, QString(caractere), false);
}

void TfrmCadCons::sbt_Click()
{
    postaTexto(m_edicao.inLblAtiv, QStringLiteral("_"), false);
}

void TfrmCadCons::sbtBackSpaceClick()
{
    postaTexto(m_edicao.inLblAtiv, QString(), true);
}

void TfrmCadCons::sbtShiftClick()
{
    m_edicao.shiftClick();
}

void TfrmCadCons::sbtCapsLockClick()
{
    m_edicao.capsLockClick();
}

void TfrmCadCons::sbtOutrosClick()
{
    panOutros->setVisible(!panOutros->isVisible());
}

void TfrmCadCons::sbtEnterClick()
{
    // Alt alone behaves as a plain Enter in every step: a forward Enter.
    int key = CadConsEdicao::VK_RETURN;
    FormKeyDown(key, CadConsEdicao::Alt);
}

void TfrmCadCons::sbtLimparClick()
{
    m_edicao.limpaCampo();
    if (m_edicao.inLblAtiv == cadcons::TipoVenda)
        estado().stCdTipoVenda.clear();
}

void TfrmCadCons::mostraMaiusculas(bool maiusculas)
{
    for (char letra = 'A'; letra <= 'Z'; ++letra) {
        const QString nome = QStringLiteral("sbt") + QLatin1Char(letra);
        if (auto *tecla = panTeclado->findChild<kvt::TouchButton *>(nome)) {
            const QChar c(QLatin1Char(maiusculas ? letra : char(letra - 'A' + 'a')));
            tecla->setCaption(QString(c));
        }
    }
    sbtCCdil->setCaption(maiusculas ? QStringLiteral("\u00C7") : QStringLiteral("\u00E7"));
}

void TfrmCadCons::sbtDigitalClick()
{
    if (EmptyString(edtNmConsumidor->caption())) {
        mensagem("NONINF", 3);
        return;
    }
    QVariant retorno = QVariantList{QVariant(), QVariant()};
    if (DigitalConsumidor)
        DigitalConsumidor(0, 0, edtNmConsumidor->caption(), retorno);
    const QVariantList valores = retorno.toList();
    stDigital = valores.value(0).toString();
    stDigital2 = valores.value(1).toString();
    estado().boDigitalCapturada = true;
    // The host's capture may leave a busy cursor behind.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void TfrmCadCons::capturaDigital()
{
    sbtDigitalClick();
}

void TfrmCadCons::sair()
{
    sbtSairClick();
}

bool TfrmCadCons::confirmarHabilitado() const
{
    return sbtConfirmar->isEnabled();
}

bool TfrmCadCons::pesquisaHabilitada() const
{
    return sbtPesqCons->isEnabled();
}

bool TfrmCadCons::utilizaImpFis() const
{
    return estado().boUtilizaImpFis;
}

void TfrmCadCons::menuFiscal()
{
    if (RelFiscais)
        RelFiscais();
}

void TfrmCadCons::mensagem(const char *chave, int tipo, const QString &nome) const
{
    QString texto = msgPadrao->Msg(QString::fromLatin1(chave));
    if (!nome.isNull())
        texto.replace(QLatin1String("%s"), nome);
    Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"), tipo, QString(),
             QStringLiteral("002"), 0, nullptr);
}
