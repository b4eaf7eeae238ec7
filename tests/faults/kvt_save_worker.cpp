// A terminal of the fault tests.
//
// kvt_save_worker CONNECTION FIRST COUNT
//   Saves the consumers FIRST, FIRST+1, ... one transaction each, until it is killed or has
//   saved COUNT of them. Prints "READY" once connected and "SAVED n" after each commit.
//
// kvt_save_worker --terminal CONNECTION N1,N2,...
//   Prints "READY" once connected and starts on the first line of its input, so that many
//   terminals start together. For each n it registers consumer n as the screen does (the CPF
//   and telephone checks, then the save) and then edits it, printing one line per step:
//   "SAVED n MS", "EDITED n MS" (the save's milliseconds), "FOUND n" (a check saw it
//   registered already), "REFUSED n MS" (the save said another terminal stored it) or
//   "ERROR n TEXT". A number written "np" is one another terminal saves too: once its checks
//   pass the terminal prints "CHECKED n" and saves on the next line of its input, so that
//   both confirm at the same moment. Exits with 1 after an error.

#include "SaveWorkload.h"

#include "host/HostZet.h"
#include "toolkit/DataPacket.h"
#include "toolkit/DataSet.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// What the screen's confirmation checks before it saves a new consumer: another consumer of the
// client with that CPF, or with that telephone in the branch's list.
bool jaCadastrado(const ConsumidorArgs &a)
{
    if (!a.P_NRCPFRESPCONS.isEmpty()) {
        QVariant resultado;
        getExisteConsumidor(a.P_CDCLIENTE, a.P_NRCPFRESPCONS, QString(), resultado);
        if (resultado.metaType().id() != QMetaType::QByteArray)
            throw kvt::Exception(resultado.toString());
        if (!kvt::DataPacket::read(resultado.toByteArray()).rows.isEmpty())
            return true;
    } else if (vdConsPorTelExiste(a.P_CDCLIENTE, a.P_CDCONSUMIDOR, a.P_NRTELECONS)) {
        return true;
    }
    const std::shared_ptr<kvt::DataSet> lista =
        GetTodosCons(QStringLiteral("0001"), QStringLiteral("T"), QStringLiteral("T"));
    if (!lista)
        throw kvt::Exception(QStringLiteral("no consumer list"));
    kvt::RowFilter filtro;
    filtro.join = kvt::RowFilter::Join::Or;
    for (const char *coluna : {"NRTELECONS", "NRTELE2CONS", "NRCELULARCONS"}) {
        filtro.add(QString::fromLatin1(coluna), a.P_NRTELECONS);
        filtro.add(QString::fromLatin1(coluna), SoNumerosStr(a.P_NRTELECONS));
    }
    lista->setFilter(filtro);
    lista->setFiltered(true);
    return !lista->isEmpty();
}

// The save's result: empty after success; its milliseconds in `ms`.
QString salva(const ConsumidorArgs &a, qint64 &ms)
{
    QElapsedTimer relogio;
    relogio.start();
    QVariant resultado;
    setInsereConsumidor(a, resultado);
    ms = relogio.elapsed();
    return resultado.isValid() ? resultado.toString() : QString();
}

bool aguardaLinha()
{
    char linha[16];
    return std::fgets(linha, sizeof linha, stdin) != nullptr;
}

int terminal(const QStringList &numeros)
{
    say(QStringLiteral("READY"));
    if (!aguardaLinha())
        return 2;
    for (const QString &item : numeros) {
        const bool emPar = item.endsWith(QLatin1Char('p'));
        const int n = emPar ? item.chopped(1).toInt() : item.toInt();
        try {
            const ConsumidorArgs novo = consumidorDeTerminal(n);
            if (jaCadastrado(novo)) {
                say(QStringLiteral("FOUND %1").arg(n));
                continue;
            }
            if (emPar) {
                say(QStringLiteral("CHECKED %1").arg(n));
                if (!aguardaLinha())
                    return 2;
            }
            qint64 ms = 0;
            QString erro = salva(novo, ms);
            if (erro == consumidorJaCadastrado(codigoDe(novo))) {
                say(QStringLiteral("REFUSED %1 %2").arg(n).arg(ms));
                continue;
            }
            if (!erro.isEmpty()) {
                say(QStringLiteral("ERROR %1 %2").arg(n).arg(erro.simplified()));
                return 1;
            }
            say(QStringLiteral("SAVED %1 %2").arg(n).arg(ms));

            // The screen opened again on the consumer: its CPF must be free but for himself.
            const ConsumidorArgs editado = consumidorEditado(n);
            if (!editado.P_NRCPFRESPCONS.isEmpty()) {
                QVariant outros;
                getExisteConsumidor(editado.P_CDCLIENTE, editado.P_NRCPFRESPCONS,
                                    editado.P_CDCONSUMIDOR, outros);
                if (outros.metaType().id() != QMetaType::QByteArray ||
                    !kvt::DataPacket::read(outros.toByteArray()).rows.isEmpty()) {
                    say(QStringLiteral("ERROR %1 CPF held by another consumer").arg(n));
                    return 1;
                }
            }
            erro = salva(editado, ms);
            if (!erro.isEmpty()) {
                say(QStringLiteral("ERROR %1 %2").arg(n).arg(erro.simplified()));
                return 1;
            }
            say(QStringLiteral("EDITED %1 %2").arg(n).arg(ms));
        } catch (const std::exception &e) {
            say(QStringLiteral("ERROR %1 %2").arg(n).arg(QString::fromUtf8(e.what())));
            return 1;
        }
    }
    return 0;
}

int emSequencia(int first, int count)
{
    say(QStringLiteral("READY"));
    for (int n = first; n < first + count; ++n) {
        QVariant resultado;
        setInsereConsumidor(consumidorDeCarga(n), resultado);
        if (resultado.isValid()) {
            std::fprintf(stderr, "%s\n", qPrintable(resultado.toString()));
            return 1;
        }
        say(QStringLiteral("SAVED %1").arg(n));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool modoTerminal = args.value(0) == QLatin1String("--terminal");
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: kvt_save_worker CONNECTION FIRST COUNT\n"
                             "       kvt_save_worker --terminal CONNECTION N1,N2,...\n");
        return 2;
    }
    setConnectionString(args.at(modoTerminal ? 1 : 0));
    const DataModuleScope dados;
    try {
        dados.module().connectDatabase();
    } catch (const kvt::Exception &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    int status = 0;
    if (modoTerminal) {
        status = terminal(args.at(2).split(QLatin1Char(','), Qt::SkipEmptyParts));
    } else {
        status = emSequencia(args.at(1).toInt(), args.at(2).toInt());
    }
    return status;
}
