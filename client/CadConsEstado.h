#pragma once

#include <QString>

#include <memory>

namespace kvt {
class DataSet;
}

// What the registration screen knows besides its texts: the host's values, the parameters
// file, the choices made on the screen and the branch's consumer list.
struct CadConsEstado
{
    // The host's parameter array.
    QString stCdCliente;
    QString stConsumidor;
    QString stTelefone;
    QString stModo;
    // The parameters file.
    int incor1 = 0;
    int incor2 = 0;
    int incor3 = 0;
    int incor4 = 0;
    int incor5 = 0;
    int incor6 = 0;
    bool boUtilizaImpFis = false;
    QString stIdEsquema;
    QString stCdCusClie;
    QString stCdTipoCons;
    QString stCdFilial;
    QString stCdLoja;
    QString stIdValidaAten;

    // What the host gets back.
    QString stResult;
    // The sale type picked on the screen, and the stored one of the consumer shown, sent when
    // the operator picks none.
    QString stCdTipoVenda;
    QString stTipoVendaConsumidor;
    // The client of the consumer shown (loaded for an edit or chosen in the search): his row is
    // the one an update writes, whichever client the screen serves.
    QString stCdClienteConsumidor;
    // A fingerprint was captured on this screen; without one an edit keeps the stored prints.
    bool boDigitalCapturada = false;

    // The branch's consumer list, shared with the data module.
    std::shared_ptr<kvt::DataSet> adqPesqConsumidor;

    QString clienteDoConsumidor() const
    {
        return stCdClienteConsumidor.isEmpty() ? stCdCliente : stCdClienteConsumidor;
    }
    // The consumer on the screen is the one of that client and code.
    bool esteConsumidor(const QString &cliente, const QString &consumidor) const
    {
        return !stConsumidor.isEmpty() && cliente == clienteDoConsumidor() &&
               consumidor == stConsumidor;
    }
};

// The two values of the last fingerprint capture: module-level, the only state that outlives a
// screen.
extern QString stDigital;
extern QString stDigital2;
