#include "CadConsDados.h"
#include "Cli_Kvt04410.h"
#include "toolkit/Colors.h"
#include "toolkit/RoundShape.h"
#include "toolkit/TouchButton.h"

namespace {

// Field 8's border is a button, every other one a shape.
void pintaBorda(QWidget *borda, const QColor &cor)
{
    if (auto *shape = qobject_cast<kvt::RoundShape *>(borda))
        shape->setBrushColor(cor);
    else if (auto *botao = qobject_cast<kvt::TouchButton *>(borda))
        botao->setFaceColor(cor);
}

} // namespace

void TfrmCadCons::VoltaCor()
{
    const QColor cor = kvt::tcolor(cadcons::kCorBorda);
    for (int numero = 1; numero <= kNumCampos; ++numero)
        pintaBorda(borda(numero), cor);
}

void TfrmCadCons::mudaCor()
{
    VoltaCor();
    pintaBorda(borda(m_edicao.inLblAtiv), Qt::black);
}

bool TfrmCadCons::verifica(CadConsEdicao::Verificacao verificacao, bool avanca)
{
    return m_buscas.verifica(verificacao, avanca);
}
