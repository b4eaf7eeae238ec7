#include "CadConsEdicao.h"

#include "CadConsMascara.h"
#include "host/HostZet.h"
#include "toolkit/TextRules.h"

namespace {

using E = CadConsEdicao;
using namespace cadcons;

// Empties the texts that hang on field `campo`.
void limpaDependentes(E::Textos &textos, int campo)
{
    const unsigned dependentes = campoDef(campo).dependentes;
    for (int numero = 1; numero <= E::kNumTextos; ++numero) {
        if (dependentes & bitTexto(numero))
            textos.setTexto(numero, QString());
    }
}

bool digito(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

CadConsEdicao::CadConsEdicao(Textos &textos, Acoes &acoes) : m_textos(textos), m_acoes(acoes) {}

bool CadConsEdicao::vazio(int numero) const
{
    return EmptyString(m_textos.texto(numero));
}

void CadConsEdicao::relabel(bool maiusculas)
{
    m_acoes.mostraMaiusculas(maiusculas);
}

QString CadConsEdicao::anexo(int inTag, const QString &texto, const QString &stNumAdd)
{
    if (!campoValido(inTag) || stNumAdd.isEmpty())
        return {};
    const CampoDef &regra = campoDef(inTag);
    QString novo = stNumAdd;
    switch (regra.aceita) {
    case Aceita::Data:
        if (texto.size() >= regra.maximo)
            return {};
        if (texto.size() == 2 || texto.size() == 5)
            novo.prepend(QLatin1Char('/'));
        if (novo.at(0) < QLatin1Char('/') || novo.at(0) > QLatin1Char('9'))
            return {};
        break;
    case Aceita::Digitos:
        if (texto.size() >= regra.maximo || !digito(novo.at(0)))
            return {};
        break;
    case Aceita::Qualquer:
        if (regra.maximo > 0 && texto.size() >= regra.maximo)
            return {};
        break;
    }
    // Nothing a single-byte field cannot hold gets in, whatever the caller passed.
    if (!kvt::text::fitsCp1252(novo))
        return {};
    return novo;
}

bool CadConsEdicao::aceita(QChar caractere) const
{
    const int campo = inLblAtiv;
    return !anexo(campo, m_textos.texto(campo), QString(caractere)).isNull();
}

void CadConsEdicao::postaTexto(int inTag, const QString &stNumAdd, bool boBckSpc)
{
    if (!campoValido(inTag))
        return;
    QString texto = m_textos.texto(inTag);

    if (boBckSpc) {
        texto.chop(1);
        m_textos.setTexto(inTag, texto);
        if (campoValido(inLblAtiv))
            limpaDependentes(m_textos, inLblAtiv);
        return;
    }

    const QString novo = anexo(inTag, texto, stNumAdd);
    if (novo.isNull())
        return;

    const bool maiuscula = boUpperCase || boShift;
    texto += maiuscula ? kvt::text::asciiUpper(novo) : kvt::text::asciiLower(novo);
    m_textos.setTexto(inTag, texto);
    // Shift acts on one character only.
    if (boShift)
        shiftClick();
}

void CadConsEdicao::FormKeyPress(QChar key)
{
    const QChar c = kvt::text::asciiUpper(QString(key)).at(0);
    if (c.unicode() == VK_BACK) {
        postaTexto(inLblAtiv, QString(), true);
        return;
    }
    if (digito(c)) {
        postaTexto(inLblAtiv, QString(c), false);
        return;
    }
    if (!campoValido(inLblAtiv))
        return;
    const Teclado &teclado = campoDef(inLblAtiv).teclado;
    if (teclado.letras && c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
        postaTexto(inLblAtiv, kvt::text::asciiLower(QString(c)), false);
        return;
    }
    if (c.unicode() != 0 && QStringView(teclado.outros).contains(c))
        postaTexto(inLblAtiv, QString(c), false);
}

bool CadConsEdicao::saiDoCampo(int campo, bool avanca)
{
    if (!campoValido(campo))
        return true;
    // The country left blank takes everything that hung on it along.
    if (campo == CodPais && vazio(CodPais)) {
        limpaDependentes(m_textos, CodPais);
        return true;
    }
    const Saida &saida = avanca ? campoDef(campo).avanca : campoDef(campo).recua;
    if (saida.verificacao == Verificacao::Nenhuma || (saida.seNaoVazio && vazio(saida.seNaoVazio)))
        return true;
    return m_acoes.verifica(saida.verificacao, avanca);
}

int CadConsEdicao::FormKeyDown(int key, int shift)
{
    if (key == VK_F4)
        m_acoes.capturaDigital();

    if (key == VK_RETURN && shift == Shift) {
        if (!saiDoCampo(inLblAtiv, false))
            return key;
        inLblAtiv = inLblAtiv == Cep ? kNumCampos : inLblAtiv - 1;
    } else if (key == VK_RETURN) {
        if (!saiDoCampo(inLblAtiv, true))
            return key;
        if (inLblAtiv == kNumCampos)
            inLblAtiv = Cep;
        else if (shift != Ctrl)
            ++inLblAtiv;
    }

    if (shift == Shift && key == VK_OEM_MINUS)
        postaTexto(inLblAtiv, QStringLiteral("_"), false);
    // The physical Caps Lock toggles once: the touch key's own click is not raised again.
    if (key == VK_CAPITAL)
        capsLockClick();
    if (key == VK_SHIFT)
        shiftClick();
    if (key == VK_ESCAPE)
        m_acoes.sair();
    // A held physical Shift keeps Shift on whatever the toggle above did.
    if (key == VK_SHIFT)
        boShift = true;
    if ((key == VK_F2 || (key == VK_RETURN && (shift & Ctrl))) && m_acoes.confirmarHabilitado())
        m_acoes.confirmar();
    if (key == VK_F3 && m_acoes.pesquisaHabilitada())
        m_acoes.pesquisaConsumidor();
    if (key == VK_F9 && campoComLista(inLblAtiv))
        m_acoes.abreLista(inLblAtiv);
    // Alt+F4 has run the capture above and must not close the window.
    if (shift == Alt && key == VK_F4)
        key = 0;
    if (key == VK_F1 && m_acoes.utilizaImpFis())
        m_acoes.menuFiscal();
    m_acoes.mudaCor();
    return key;
}

void CadConsEdicao::shiftClick()
{
    boShift = !boShift;
    relabel(boShift);
}

void CadConsEdicao::capsLockClick()
{
    relabel(!boUpperCase);
    boUpperCase = !boUpperCase;
}

void CadConsEdicao::selecionaCampo(int numero)
{
    if (!campoValido(numero))
        return;
    if (campoTelefone(numero))
        m_textos.setTexto(numero, Mascara(m_textos.texto(numero), mascaraTelefone()));
    inLblAtiv = numero;
    m_acoes.mudaCor();
}

void CadConsEdicao::limpaCampo()
{
    if (campoValido(inLblAtiv))
        m_textos.setTexto(inLblAtiv, QString());
}

void CadConsEdicao::mascaraTelefones()
{
    for (const CampoDef &campo : kCampos) {
        if (campo.telefone)
            m_textos.setTexto(campo.numero,
                              Mascara(m_textos.texto(campo.numero), mascaraTelefone()));
    }
}
