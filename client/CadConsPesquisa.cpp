#include "Cli_Kvt04410.h"

void TfrmCadCons::BuscaTipoVenda()
{
    cdsTipoVenda.close();
    cdsTipoVenda.createDataSet();
    for (const TipoVenda &tipo : arTipoVenda) {
        cdsTipoVenda.insert();
        cdsTipoVenda.setFieldValue(QStringLiteral("CDTIPOVENDA"),
                                   QString::fromLatin1(tipo.cdTipoVenda));
        cdsTipoVenda.setFieldValue(QStringLiteral("NMTIPOVENDA"),
                                   QString::fromUtf8(tipo.nmTipoVenda));
        cdsTipoVenda.post();
    }
}
