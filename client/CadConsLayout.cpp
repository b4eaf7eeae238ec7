#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "host/TMessages.h"
#include "toolkit/Colors.h"
#include "toolkit/PictureButton.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPalette>

namespace {

using cadcons::kCorBorda;
using cadcons::kCorConfirmar;
using cadcons::kCorMoldura;
using cadcons::kCorPainelConsumidor;
const QColor kPrata(192, 192, 192);
const QColor kCinza(128, 128, 128);

QFont arial(int pixels, bool negrito = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(negrito);
    return f;
}

template <class W> W *cria(QWidget *pai, const char *nome, const QRect &rect)
{
    auto *w = new W(pai);
    w->setObjectName(QString::fromLatin1(nome));
    w->setGeometry(rect);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

// A frame-coloured rounded border with a face two pixels inside it: the look of every area.
void criaArea(QWidget *pai, const char *nome, const QRect &rect, const QColor &face)
{
    auto *moldura = cria<kvt::RoundShape>(pai, nome, rect);
    moldura->setBrushColor(kvt::tcolor(kCorMoldura));
    auto *interior = cria<kvt::RoundShape>(pai, nullptr, rect.adjusted(2, 2, -2, -2));
    interior->setBrushColor(face);
}

QFrame *criaPainel(QWidget *pai, const char *nome, const QRect &rect, const QColor *fundo)
{
    auto *painel = cria<QFrame>(pai, nome, rect);
    painel->setFrameShape(QFrame::NoFrame);
    if (fundo) {
        QPalette p = painel->palette();
        p.setColor(QPalette::Window, *fundo);
        painel->setPalette(p);
        painel->setAutoFillBackground(true);
    }
    return painel;
}

using F = TfrmCadCons;

struct NomeExibido
{
    kvt::TouchButton *F::*controle;
    const char *nome;
    kvt::RoundShape *F::*borda;
    const char *nomeBorda;
    QRect rect;
    int ordemDump;
};

struct BotaoLista
{
    kvt::ListButton *F::*controle;
    const char *nome;
    bool noPainel;
    QRect rect;
};

struct BotaoAcao
{
    kvt::PictureButton *F::*controle;
    const char *nome;
    const char *legenda;
    const char *dica;
    bool mostraDica;
    int cor;
    QRect rect;
};

// Keys of panTeclado (sbtArroba lies in panOutros). The tag is the key's character code.
struct Tecla
{
    kvt::TouchButton *F::*controle;
    const char *nome;
    const char *legenda; // UTF-8
    QRect rect;
    int fonte;
    int tag;
};

constexpr int kAlturaTecla = 44;
constexpr int kLarguraTecla = 50;
constexpr int col(int i)
{
    return 3 + 51 * i;
}
constexpr QRect tecla(int coluna, int y)
{
    return {col(coluna), y, kLarguraTecla, kAlturaTecla};
}

struct TeclaFigura
{
    kvt::PictureButton *F::*controle;
    const char *nome;
    const char *legenda;
    kvt::Picture figura;
    const char *dica;
    QRect rect;
    int fonte;
};

// The field-border colour around a control's rectangle.
kvt::RoundShape *criaBorda(QWidget *pai, const char *nome, const QRect &rectCampo)
{
    auto *borda = cria<kvt::RoundShape>(pai, nome, rectCampo.adjusted(-2, -2, 2, 2));
    borda->setBrushColor(kvt::tcolor(kCorBorda));
    return borda;
}

// A silver field in bold black text; the tag is the field number, 0 for a name display.
kvt::TouchButton *criaCampo(QWidget *pai, const char *nome, const QRect &rect, int fonte, int tag,
                            int ordemDump)
{
    auto *campo = cria<kvt::TouchButton>(pai, nome, rect);
    campo->setFaceColor(kPrata);
    campo->setFontColor(Qt::black);
    campo->setFont(arial(fonte, true));
    campo->setTag(tag);
    campo->setProperty("kvtDumpOrder", ordemDump);
    return campo;
}

void estiloTecla(kvt::TouchButton *b, int fonte)
{
    b->setFaceColor(kCinza);
    b->setFontColor(Qt::white);
    b->setFont(arial(fonte));
}

} // namespace

void TfrmCadCons::criaControles()
{
    // The tables name private controls, so they live here.
    // clang-format off
    static const NomeExibido kNomes[] = {
        {&F::bldNmPais, "bldNmPais", &F::blsBordaNMPais, "blsBordaNMPais",
         {442, 184, 326, 26}, cadcons::NmPais},
        {&F::bldNmMuni, "bldNmMuni", &F::blsBordaNMMuni, "blsBordaNMMuni",
         {442, 220, 326, 26}, cadcons::NmMuni},
        {&F::bldNmBairro, "bldNmBairro", &F::blsBordaNMBairro, "blsBordaNMBairro",
         {316, 256, 452, 26}, cadcons::NmBairro},
    };
    // clang-format on
    // clang-format off
    static const BotaoLista kListas[] = {
        {&F::dfxPesqPais, "dfxPesqPais", false, {320, 177, 43, 39}},
        {&F::dxfPesqEstado, "dxfPesqEstado", false, {92, 213, 45, 41}},
        {&F::dxfMunicipio, "dxfMunicipio", false, {320, 213, 44, 40}},
        {&F::dxfBairro, "dxfBairro", false, {92, 249, 45, 39}},
        {&F::dxfTipoVenda, "dxfTipoVenda", true, {724, 38, 43, 39}},
    };
    // clang-format on
    // clang-format off
    static const BotaoAcao kAcoes[] = {
        {&F::sbtPesqCons, "sbtPesqCons", "Pesquisa Consumidor\nF3", "Pesquisa Consumidor", true,
         kCorMoldura, {660, 355, 110, 65}},
        {&F::sbtDigital, "sbtDigital", "Capturar Digital\nF4", "Capturar Digital", true, kCorMoldura,
         {660, 430, 110, 65}},
        {&F::sbtConfirmar, "sbtConfirmar", "Confirmar\nF2", "Confirmar", false, kCorConfirmar,
         {660, 505, 110, 65}},
    };
    // clang-format on
    // clang-format off
    static const Tecla kTeclas[] = {
        {&F::sbt1, "sbt1", "1", tecla(0, 1), 19, '1'},
        {&F::sbt2, "sbt2", "2", tecla(1, 1), 19, '2'},
        {&F::sbt3, "sbt3", "3", tecla(2, 1), 19, '3'},
        {&F::sbt4, "sbt4", "4", tecla(3, 1), 19, '4'},
        {&F::sbt5, "sbt5", "5", tecla(4, 1), 19, '5'},
        {&F::sbt6, "sbt6", "6", tecla(5, 1), 19, '6'},
        {&F::sbt7, "sbt7", "7", tecla(6, 1), 19, '7'},
        {&F::sbt8, "sbt8", "8", tecla(7, 1), 19, '8'},
        {&F::sbt9, "sbt9", "9", tecla(8, 1), 19, '9'},
        {&F::sbt0, "sbt0", "0", tecla(9, 1), 19, '0'},
        {&F::sbtQ, "sbtQ", "q", tecla(0, 46), 19, 'q'},
        {&F::sbtW, "sbtW", "w", tecla(1, 46), 19, 'w'},
        {&F::sbtE, "sbtE", "e", tecla(2, 46), 19, 'e'},
        {&F::sbtR, "sbtR", "r", tecla(3, 46), 19, 'r'},
        {&F::sbtT, "sbtT", "t", tecla(4, 46), 19, 't'},
        {&F::sbtY, "sbtY", "y", tecla(5, 46), 19, 'y'},
        {&F::sbtU, "sbtU", "u", tecla(6, 46), 19, 'u'},
        {&F::sbtI, "sbtI", "i", tecla(7, 46), 19, 'i'},
        {&F::sbtO, "sbtO", "o", tecla(8, 46), 19, 'o'},
        {&F::sbtP, "sbtP", "p", tecla(9, 46), 19, 'p'},
        {&F::sbtBackSpace, "sbtBackSpace", "Backspace", {513, 46, 99, kAlturaTecla}, 16, 8},
        {&F::sbtA, "sbtA", "a", tecla(0, 91), 19, 'a'},
        {&F::sbtS, "sbtS", "s", tecla(1, 91), 19, 's'},
        {&F::sbtD, "sbtD", "d", tecla(2, 91), 19, 'd'},
        {&F::sbtF, "sbtF", "f", tecla(3, 91), 19, 'f'},
        {&F::sbtG, "sbtG", "g", tecla(4, 91), 19, 'g'},
        {&F::sbtH, "sbtH", "h", tecla(5, 91), 19, 'h'},
        {&F::sbtJ, "sbtJ", "j", tecla(6, 91), 19, 'j'},
        {&F::sbtK, "sbtK", "k", tecla(7, 91), 19, 'k'},
        {&F::sbtL, "sbtL", "l", tecla(8, 91), 19, 'l'},
        {&F::sbtCCdil, "sbtCCdil", "ç", tecla(9, 91), 19, 231},
        {&F::sbtEnter, "sbtEnter", "Enter", {513, 91, 99, 134}, 19, 13},
        {&F::sbtZ, "sbtZ", "z", tecla(0, 136), 19, 'z'},
        {&F::sbtX, "sbtX", "x", tecla(1, 136), 19, 'x'},
        {&F::sbtC, "sbtC", "c", tecla(2, 136), 19, 'c'},
        {&F::sbtV, "sbtV", "v", tecla(3, 136), 19, 'v'},
        {&F::sbtB, "sbtB", "b", tecla(4, 136), 19, 'b'},
        {&F::sbtN, "sbtN", "n", tecla(5, 136), 19, 'n'},
        {&F::sbtM, "sbtM", "m", tecla(6, 136), 19, 'm'},
        {&F::sbtVirgula, "sbtVirgula", ",", tecla(7, 136), 19, ','},
        {&F::sbtPonto, "sbtPonto", ".", tecla(8, 136), 19, '.'},
        {&F::sbtBarra, "sbtBarra", "/", tecla(9, 136), 19, '/'},
        {&F::sbtShift, "sbtShift", "Shift", {54, 181, 68, kAlturaTecla}, 16, 16},
        {&F::sbtEspaco, "sbtEspaco", "", {123, 181, 150, kAlturaTecla}, 19, ' '},
        {&F::sbtCapsLock, "sbtCapsLock", "Caps Lock", {274, 181, 85, kAlturaTecla}, 16, 20},
        {&F::sbt_, "sbt_", "_", tecla(7, 181), 19, '_'},
        {&F::sbtContraBarra, "sbtContraBarra", "\\", tecla(9, 181), 19, '\\'},
    };
    // clang-format on
    // clang-format off
    static const TeclaFigura kTeclasFigura[] = {
        {&F::sbtOutros, "sbtOutros", "Teclas\nEspeciais", kvt::Picture::None, "Outras teclas",
         {513, 1, 99, kAlturaTecla}, 13},
        {&F::sbtSair, "sbtSair", "", kvt::Picture::LeftArrowCircle, "", tecla(0, 181), 19},
        {&F::sbtLimpar, "sbtLimpar", "", kvt::Picture::DeleteKey, "", tecla(8, 181), 19},
    };
    // clang-format on

    const QColor branco(Qt::white);
    const QColor fundoConsumidor = kvt::tcolor(kCorPainelConsumidor);

    // Areas first, so that everything placed on them is drawn above.
    criaArea(this, "blsAreaConsumidor", {10, 12, 778, 115}, fundoConsumidor);
    criaArea(this, "blsAreaEndereco", {10, 133, 778, 200}, branco);
    criaArea(this, "blsAreaTeclado", {10, 340, 627, 246}, branco);
    criaArea(this, "blsAreaAcoes", {642, 340, 146, 246}, branco);
    panConsumidor = criaPainel(this, "panConsumidor", {10, 12, 778, 115}, nullptr);
    panTeclado = criaPainel(this, "panTeclado", {16, 351, 615, 225}, &branco);

    for (int numero = 1; numero <= kNumCampos; ++numero) {
        const cadcons::CampoForm &c = campoForm(numero);
        const cadcons::CampoDef &def = cadcons::campoDef(numero);
        QWidget *pai = numero <= cadcons::TipoVenda ? static_cast<QWidget *>(panConsumidor) : this;
        QWidget *borda = nullptr;
        if (c.borda) {
            this->*c.borda = criaBorda(pai, c.nomeBorda, c.rect);
            borda = this->*c.borda;
        } else {
            auto *botao = cria<kvt::TouchButton>(pai, c.nomeBorda, c.rect.adjusted(-2, -2, 2, 2));
            botao->setFaceColor(kvt::tcolor(kCorBorda));
            blsBorda8 = botao;
            borda = botao;
        }

        auto *rotulo = cria<QLabel>(pai, c.nomeRotulo, c.rectRotulo);
        rotulo->setText(QString::fromUtf8(def.legenda));
        rotulo->setFont(arial(13));
        rotulo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        rotulo->setWordWrap(true);
        this->*c.rotulo = rotulo;

        auto *campo = criaCampo(pai, def.controle, c.rect, numero == cadcons::TipoVenda ? 12 : 15,
                                numero, numero);
        this->*c.campo = campo;

        m_campos[numero] = campo;
        m_bordas[numero] = borda;
    }

    for (const NomeExibido &n : kNomes) {
        this->*n.borda = criaBorda(this, n.nomeBorda, n.rect);
        this->*n.controle = criaCampo(this, n.nome, n.rect, 15, 0, n.ordemDump);
        // The dump order of a name display is its text number.
        m_campos[n.ordemDump] = this->*n.controle;
    }

    for (const BotaoLista &l : kListas) {
        QWidget *pai = l.noPainel ? static_cast<QWidget *>(panConsumidor) : this;
        this->*l.controle = cria<kvt::ListButton>(pai, l.nome, l.rect);
    }

    for (const BotaoAcao &a : kAcoes) {
        auto *b = cria<kvt::PictureButton>(this, a.nome, a.rect);
        b->setCaption(QString::fromUtf8(a.legenda));
        b->setHint(QString::fromUtf8(a.dica), a.mostraDica);
        b->setFaceColor(kvt::tcolor(a.cor));
        b->setFontColor(Qt::white);
        b->setFont(arial(11, true));
        this->*a.controle = b;
    }

    for (const Tecla &t : kTeclas) {
        auto *b = cria<kvt::TouchButton>(panTeclado, t.nome, t.rect);
        b->setCaption(QString::fromUtf8(t.legenda));
        b->setTag(t.tag);
        estiloTecla(b, t.fonte);
        this->*t.controle = b;
    }

    for (const TeclaFigura &t : kTeclasFigura) {
        auto *b = cria<kvt::PictureButton>(panTeclado, t.nome, t.rect);
        b->setCaption(QString::fromUtf8(t.legenda));
        b->setPicture(t.figura);
        b->setHint(QString::fromUtf8(t.dica), false);
        b->setFaceColor(kCinza);
        b->setFontColor(Qt::white);
        b->setFont(arial(t.fonte));
        this->*t.controle = b;
    }

    // The special-keys panel covers the digit row when shown, so it comes after the keys.
    panOutros = criaPainel(panTeclado, "panOutros", {3, 1, 508, 43}, &branco);
    sbtArroba = cria<kvt::TouchButton>(panOutros, "sbtArroba", {0, 0, kLarguraTecla, kAlturaTecla});
    sbtArroba->setCaption(QStringLiteral("@"));
    sbtArroba->setTag('@');
    estiloTecla(sbtArroba, 19);
    panOutros->hide();

    lblCodTela = cria<QLabel>(this, "lblCodTela", {644, 587, 150, 13});
    lblCodTela->setText(QStringLiteral("KVT04410"));
    QPalette p = lblCodTela->palette();
    p.setColor(QPalette::WindowText, kCinza);
    lblCodTela->setPalette(p);

    // The hint line takes the strip under the keyboard, beside the screen code: no field moves.
    lblDica = cria<QLabel>(this, "lblDica", {14, 587, 626, 13});
    lblDica->setFont(arial(12, true));
    p.setColor(QPalette::WindowText, QColor(176, 0, 0));
    lblDica->setPalette(p);

    // The delivery line takes the white strip under the reference field, inside the address
    // area; drawn from its foot so that descenders stay clear of the area's border.
    lblEntrega = cria<QLabel>(this, "lblEntrega", {16, 320, 752, 11});
    lblEntrega->setFont(arial(11, true));
    lblEntrega->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    p.setColor(QPalette::WindowText, QColor(0, 96, 0));
    lblEntrega->setPalette(p);

    msgPadrao = new TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->setLines(cadcons::linhasMensagens());
}
