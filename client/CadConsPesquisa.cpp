#include "Cli_Kvt04410.h"

void TfrmCadCons::BuscaTipoVenda()
{
    cdsTipoVenda.close();
    cdsTipoVenda.createDataSet();
    // Appended, not inserted before the current row, so the list dialog offers them in code order.
    for (const TipoVenda &tipo : arTipoVenda) {
        cdsTipoVenda.append();
        cdsTipoVenda.setFieldValue(QStringLiteral("CDTIPOVENDA"),
                                   QString::fromLatin1(tipo.cdTipoVenda));
        cdsTipoVenda.setFieldValue(QStringLiteral("NMTIPOVENDA"),
                                   QString::fromUtf8(tipo.nmTipoVenda));
        cdsTipoVenda.post();
    }
}
