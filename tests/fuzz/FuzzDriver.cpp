#include "FuzzDriver.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <random>

namespace {

QByteArray mutate(QByteArray input, const std::vector<QByteArray> &seeds, std::mt19937 &random)
{
    const auto pick = [&](int n) { return int(random() % unsigned(qMax(1, n))); };
    const int steps = 1 + pick(4);
    for (int step = 0; step < steps; ++step) {
        switch (pick(6)) {
        case 0: // flip a bit
            if (!input.isEmpty())
                input[pick(input.size())] = char(input[pick(input.size())] ^ (1 << pick(8)));
            break;
        case 1: // an interesting byte
            if (!input.isEmpty()) {
                static const char bytes[] = {0,   1,   0x7f, char(0x80), char(0xff),
                                             ';', '=', '{',  '}'};
                input[pick(input.size())] = bytes[pick(sizeof bytes)];
            }
            break;
        case 2: // insert random bytes
            input.insert(pick(input.size() + 1), QByteArray(1 + pick(8), char(random())));
            break;
        case 3: // delete a run
            if (!input.isEmpty())
                input.remove(pick(input.size()), 1 + pick(16));
            break;
        case 4: // cut the end
            input.truncate(pick(input.size() + 1));
            break;
        default: { // splice in a piece of another seed
            const QByteArray &other = seeds[size_t(pick(int(seeds.size())))];
            if (!other.isEmpty())
                input.insert(pick(input.size() + 1), other.mid(pick(other.size()), 1 + pick(32)));
            break;
        }
        }
    }
    return input;
}

void run(const QByteArray &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(input.constData()),
                           std::size_t(input.size()));
}

} // namespace

int runFuzzDriver(int argc, char **argv, const std::vector<QByteArray> &seeds)
{
    long runs = 20000;
    double seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        if (option == QLatin1String("--runs"))
            runs = QString::fromLocal8Bit(argv[i + 1]).toLong();
        else if (option == QLatin1String("--seconds"))
            seconds = QString::fromLocal8Bit(argv[i + 1]).toDouble();
    }
    for (const QByteArray &seed : seeds)
        run(seed);
    std::mt19937 random(20261208);
    QElapsedTimer clock;
    clock.start();
    long done = 0;
    while (done < runs && clock.elapsed() < qint64(seconds * 1000)) {
        const QByteArray &seed = seeds[size_t(random() % seeds.size())];
        run(mutate(seed, seeds, random));
        ++done;
    }
    std::printf("%ld inputs besides %zu seeds, no fault\n", done, seeds.size());
    return 0;
}
