#include "privatex.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace Zentovia::Bench {

void enterPrivateX(char **argv)
{
    if (qEnvironmentVariableIsSet("ZENTOVIA_BENCH_PRIVATE_X"))
        return;
    qputenv("ZENTOVIA_BENCH_PRIVATE_X", QByteArrayLiteral("1"));
    std::vector<char *> args { const_cast<char *>("/bin/bash"),
        const_cast<char *>(ZENTOVIA_IN_XVFB) };
    for (char **arg = argv; *arg; ++arg)
        args.push_back(*arg);
    args.push_back(nullptr);
    execv("/bin/bash", args.data());
    std::perror("in-xvfb.sh");
    std::exit(1);
}

void report(const char *what, double value, const char *unit, const char *against, bool met)
{
    std::printf("%-44s %9.2f %-4s %-34s %s\n", what, value, unit, against, met ? "ok" : "MISSED");
    std::fflush(stdout);
}

} // namespace Zentovia::Bench
