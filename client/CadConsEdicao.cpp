#include "CadConsEdicao.h"

#include "CadConsMascara.h"
#include "host/HostZet.h"
#include "toolkit/TextRules.h"

#include <initializer_list>

namespace {

using E = CadConsEdicao;
using namespace cadcons;

// What an append must start with.
enum class Aceita { Qualquer, Digitos, Data };

// Characters the key-press filter passes on besides backspace and digits. Letters are A-Z after
// the filter's own upper-casing; they travel on in lower case.
struct Teclado
{
    bool letras;
    const char16_t *outros;
};

constexpr Teclado kNenhum{false, u""};
constexpr Teclado kNome{true, u" ,./\\\u00E7\u00C7"};
constexpr Teclado kTexto{true, u" ,./\\\u00E7"};
constexpr Teclado kEmail{true, u" .@/\\\u00E7"};
constexpr Teclado kLetras{true, u""};
constexpr Teclado kData{false, u"/"};

struct Regra
{
    int maximo; // 0: no limit (the field is picked from a list)
    Aceita aceita;
    Teclado teclado;
    std::initializer_list<int> dependentes; // emptied by a deletion in the field
};

// clang-format off
const Regra kRegras[E::kNumCampos + 1] = {
    {},
    /*  1 CEP         */ {8, Aceita::Digitos, kNenhum, {}},
    /*  2 name        */ {50, Aceita::Qualquer, kNome, {}},
    /*  3 birth date  */ {10, Aceita::Data, kData, {}},
    /*  4 CPF         */ {11, Aceita::Digitos, kNenhum, {}},
    /*  5 RG          */ {10, Aceita::Qualquer, kTexto, {}},
    /*  6 e-mail      */ {50, Aceita::Qualquer, kEmail, {}},
    /*  7 telephone   */ {13, Aceita::Digitos, kNenhum, {}},
    /*  8 telephone 2 */ {13, Aceita::Digitos, kNenhum, {}},
    /*  9 mobile      */ {13, Aceita::Digitos, kNenhum, {}},
    /* 10 sale type   */ {0, Aceita::Qualquer, kNenhum, {}},
    /* 11 street      */ {50, Aceita::Qualquer, kTexto, {}},
    /* 12 number      */ {5, Aceita::Qualquer, kLetras, {}},
    /* 13 complement  */ {50, Aceita::Qualquer, kTexto, {}},
    /* 14 country     */ {4, Aceita::Digitos, kNenhum,
                          {NmPais, Estado, CodMuni, NmMuni, Bairro, NmBairro}},
    /* 15 state       */ {2, Aceita::Qualquer, kTexto, {CodMuni, NmMuni, Bairro, NmBairro}},
    /* 16 municipality*/ {4, Aceita::Digitos, kTexto, {Bairro, NmBairro}},
    /* 17 neighbourh. */ {10, Aceita::Digitos, kTexto, {NmBairro}},
    /* 18 reference   */ {250, Aceita::Qualquer, kTexto, {}},
};
// clang-format on

// Leaving checks in the order the key handler runs them. `seNaoVazio` names the field that must
// hold something for the check to run (0: always).
struct Saida
{
    int campo;
    E::Verificacao verificacao;
    int seNaoVazio;
};

using V = E::Verificacao;

const Saida kSaidasAvanca[] = {
    {Cep, V::Cep, Cep},          {DtNasc, V::DtNasc, 0},
    {Telefone, V::Telefone, 0},  {Telefone2, V::Telefone2, 0},
    {Celular, V::Celular, 0},    {CodPais, V::Pais, 0},
    {Estado, V::Estado, Estado}, {CodMuni, V::Municipio, CodMuni},
    {Bairro, V::Bairro, Bairro}, {Identidade, V::Identidade, Identidade},
};

// Leaving the CPF backwards checks the identity number that follows it.
const Saida kSaidasRecua[] = {
    {DtNasc, V::DtNasc, 0},           {Telefone, V::Telefone, 0},  {Telefone2, V::Telefone2, 0},
    {Celular, V::Celular, 0},         {CodPais, V::Pais, 0},       {Estado, V::Estado, Estado},
    {CodMuni, V::Municipio, CodMuni}, {Bairro, V::Bairro, Bairro}, {Cpf, V::Identidade, Identidade},
};

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
    if (inTag < 1 || inTag > kNumCampos || stNumAdd.isEmpty())
        return {};
    const Regra &regra = kRegras[inTag];
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
    if (inTag < 1 || inTag > kNumCampos)
        return;
    QString texto = m_textos.texto(inTag);

    if (boBckSpc) {
        texto.chop(1);
        m_textos.setTexto(inTag, texto);
        if (inLblAtiv >= 1 && inLblAtiv <= kNumCampos) {
            for (const int dependente : kRegras[inLblAtiv].dependentes)
                m_textos.setTexto(dependente, QString());
        }
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
    if (inLblAtiv < 1 || inLblAtiv > kNumCampos)
        return;
    const Teclado &teclado = kRegras[inLblAtiv].teclado;
    if (teclado.letras && c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
        postaTexto(inLblAtiv, kvt::text::asciiLower(QString(c)), false);
        return;
    }
    if (c.unicode() != 0 && QStringView(teclado.outros).contains(c))
        postaTexto(inLblAtiv, QString(c), false);
}

bool CadConsEdicao::saiDoCampo(int campo, bool avanca)
{
    // The country left blank takes everything that hung on it along.
    if (campo == CodPais && vazio(CodPais)) {
        for (const int dependente : kRegras[CodPais].dependentes)
            m_textos.setTexto(dependente, QString());
        return true;
    }
    const auto executa = [&](const auto &saidas) {
        for (const Saida &s : saidas) {
            if (s.campo != campo)
                continue;
            if (s.seNaoVazio && vazio(s.seNaoVazio))
                continue;
            if (!m_acoes.verifica(s.verificacao, avanca))
                return false;
        }
        return true;
    };
    return avanca ? executa(kSaidasAvanca) : executa(kSaidasRecua);
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
    if (numero < 1 || numero > kNumCampos)
        return;
    if (campoTelefone(numero))
        m_textos.setTexto(numero, Mascara(m_textos.texto(numero), mascaraTelefone()));
    inLblAtiv = numero;
    m_acoes.mudaCor();
}

void CadConsEdicao::limpaCampo()
{
    if (inLblAtiv >= 1 && inLblAtiv <= kNumCampos)
        m_textos.setTexto(inLblAtiv, QString());
}

void CadConsEdicao::mascaraTelefones()
{
    for (int numero = Telefone; numero <= Celular; ++numero)
        m_textos.setTexto(numero, Mascara(m_textos.texto(numero), mascaraTelefone()));
}
