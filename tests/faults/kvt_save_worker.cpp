// Saves the fault tests' consumers FIRST, FIRST+1, ... one transaction each, until it is killed
// or has saved COUNT of them. Prints "READY" once connected and "SAVED n" after each commit.

#include "SaveWorkload.h"

#include "host/HostZet.h"
#include "toolkit/Exceptions.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: kvt_save_worker CONNECTION FIRST COUNT\n");
        return 2;
    }
    setConnectionString(QString::fromLocal8Bit(argv[1]));
    const int first = QString::fromLocal8Bit(argv[2]).toInt();
    const int count = QString::fromLocal8Bit(argv[3]).toInt();
    TrdmInsereConsumidor rdm;
    rdmInsereConsumidor = &rdm;
    try {
        rdm.connectDatabase();
    } catch (const kvt::Exception &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("READY\n");
    std::fflush(stdout);
    for (int n = first; n < first + count; ++n) {
        QVariant resultado;
        setInsereConsumidor(consumidorDeCarga(n), resultado);
        if (resultado.isValid()) {
            std::fprintf(stderr, "%s\n", qPrintable(resultado.toString()));
            return 1;
        }
        std::printf("SAVED %d\n", n);
        std::fflush(stdout);
    }
    rdmInsereConsumidor = nullptr;
    return 0;
}
