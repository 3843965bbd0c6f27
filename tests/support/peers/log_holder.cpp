// A second Zentiq process as far as data logging goes: starts a log on the
// path given, writes one line, says "logging" (or "refused") on stdout and
// keeps the log open until stdin closes or 60 s have passed.
#include <poll.h>
#include <unistd.h>

#include <cstdio>

#include "documents/data_logger.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s LOGFILE\n", argv[0]);
        return 2;
    }
    zentiq::DataLogger logger;
    if (!logger.Start(QString::fromLocal8Bit(argv[1]))) {
        std::puts("refused");
        return 1;
    }
    logger.OnResult(true, 0, [] { return QStringLiteral("holder"); });
    std::puts("logging");
    std::fflush(stdout);
    pollfd in{STDIN_FILENO, POLLIN, 0};
    char byte;
    while (::poll(&in, 1, 60000) > 0 && ::read(STDIN_FILENO, &byte, 1) > 0) {
    }
    logger.Stop();
    return 0;
}
