#include "CadConsMascara.h"

namespace {

bool digitoEm(const QString &texto, int i)
{
    return i < texto.size() && texto.at(i) >= QLatin1Char('0') && texto.at(i) <= QLatin1Char('9');
}

} // namespace

QString Mascara(const QString &edt, const QString &str)
{
    QString texto = edt;
    const int n = edt.size();
    for (int i = 0; i < n && i < str.size(); ++i) {
        const bool posicaoDigito = str.at(i) == QLatin1Char('9');
        if (posicaoDigito && !digitoEm(texto, i) && texto.size() == str.size() + 1)
            texto.remove(i, 1);
        if (!posicaoDigito && digitoEm(texto, i))
            texto.insert(i, str.at(i));
    }
    return texto;
}
