#include "FuzzDriver.h"

#include "server/ConnectionString.h"
#include "toolkit/Exceptions.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

// The connection-string parser: any text gives a connection or the error, and the error never
// carries the password.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        parseConnectionString(text);
    } catch (const kvt::Exception &e) {
        static const QString secret = QStringLiteral("s3cr3t-pw");
        if (e.message().contains(secret)) {
            std::fprintf(stderr, "password in the error for %s:\n%s\n", qPrintable(text),
                         qPrintable(e.message()));
            std::abort();
        }
    }
    return 0;
}

#ifndef KVT_LIBFUZZER
int main(int argc, char **argv)
{
    const char *const texts[] = {
        "driver=QSQLITE;database=/tmp/kvt.db",
        "driver=QPSQL;host=127.0.0.1;port=5432;database=kvt;user=kvt;password=s3cr3t-pw",
        "DRIVER=QODBC;DATABASE={DRIVER={PostgreSQL Unicode};SERVER=h;PWD=s3cr3t-pw;};"
        "password=s3cr3t-pw",
        "driver=QPSQL;password={a;b}}c};options=connect_timeout=3",
        "driver=QPSQL;bogus=s3cr3t-pw;password=s3cr3t-pw",
        "driver=QPSQL;port=99999999999;password=s3cr3t-pw",
        ";;;=;==;{",
    };
    std::vector<QByteArray> seeds;
    for (const char *text : texts)
        seeds.emplace_back(text);
    return runFuzzDriver(argc, argv, seeds);
}
#endif
