/* A Modbus slave built on libmodbus, run by the integration tests and the
 * benchmarks as a real peer.
 *
 *   zentiq_libmodbus_slave --tcp PORT            (binds 127.0.0.1; 0 = any free port)
 *   zentiq_libmodbus_slave --rtu DEVICE --baud N [--parity N|E|O] [--data 7|8] [--stop 1|2]
 *   zentiq_libmodbus_slave --rtu-own-pty       (makes a pty pair, serves its master end)
 *   common options: --slave ID (default 1), --exit-on-stdin-eof,
 *                   --max-seconds N (default 900), --verbose,
 *                   --lines N (1 to 4, default 1; see below)
 *
 * Prints "READY <port>" (TCP) or "READY <device>" (RTU; with --rtu-own-pty the
 * path of the pair's other end, for the master to open) on stdout once it
 * serves, and "SERVED <n>" (requests answered) on each SIGUSR1. The tables hold ZQ_PEER_TABLE_SIZE entries of each kind, filled with
 * the pattern of peer_data.h. libmodbus answers functions 1, 2, 3, 4, 5, 6, 15,
 * 16, 22 and 23 itself (and 17); anything else gets "illegal function".
 *
 * TCP clients are served one after another: when a client goes away the slave
 * accepts the next one. With --lines N it serves up to N clients at once.
 * With --lines N, --rtu-own-pty makes N pty pairs and READY names their
 * paths separated by spaces; --rtu takes N devices separated by commas. One
 * process then serves several masters, so that a benchmark can compare two
 * clients against the same slave, placed by the scheduler as one.
 *
 * RTU keeps libmodbus's bus manners: after a request for another slave ID it
 * takes the next frame for that slave's answer and drops it, so a master that
 * asks a foreign ID and then this slave loses one more request. The slave ends on SIGTERM/SIGINT, at end of input on
 * stdin with --exit-on-stdin-eof (so it never outlives the process that
 * started it), or after --max-seconds. */
#define _XOPEN_SOURCE 700 /* posix_openpt and friends */
#define _DEFAULT_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <time.h>
#include <unistd.h>

#include <modbus.h>

#include "../peer_data.h"
#include "parse_int.h"

static volatile sig_atomic_t g_stop = 0;
/* Requests taken to be answered so far; SIGUSR1 prints "SERVED <n>" on stdout, so that
 * a benchmark can count the polls of a program that does not show its own. */
static volatile long g_served = 0;

static void on_signal(int sig) {
    (void)sig;
    g_stop = 1;
}

static void on_report(int sig) {
    char text[32];
    char digits[24];
    int n = 0, k = 0;
    unsigned long v = (unsigned long)g_served;
    (void)sig;
    do { digits[n++] = (char)('0' + v % 10); v /= 10; } while (v > 0 && n < (int)sizeof digits);
    memcpy(text, "SERVED ", 7);
    k = 7;
    while (n > 0) text[k++] = digits[--n];
    text[k++] = '\n';
    (void)!write(STDOUT_FILENO, text, (size_t)k);
}

struct options {
    int tcp;
    int port;
    const char *device;
    int own_pty;
    int baud;
    char parity;
    int data_bits;
    int stop_bits;
    int slave;
    int exit_on_stdin_eof;
    int max_seconds;
    int verbose;
    int lines;
};

#define MAX_LINES 4

static void usage(void) {
    fprintf(stderr,
            "usage: zentiq_libmodbus_slave (--tcp PORT | --rtu DEVICE --baud N [--parity N|E|O]"
            " [--data 7|8] [--stop 1|2] | --rtu-own-pty) [--slave ID] [--exit-on-stdin-eof]"
            " [--max-seconds N] [--verbose] [--lines N]\n");
}

static int parse_args(int argc, char **argv, struct options *o) {
    int i;
    memset(o, 0, sizeof *o);
    o->port = -1;
    o->baud = 19200;
    o->parity = 'N';
    o->data_bits = 8;
    o->stop_bits = 1;
    o->slave = 1;
    o->max_seconds = 900;
    o->lines = 1;
    for (i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char *v = (i + 1 < argc) ? argv[i + 1] : NULL;
        if (strcmp(a, "--exit-on-stdin-eof") == 0) { o->exit_on_stdin_eof = 1; continue; }
        if (strcmp(a, "--verbose") == 0) { o->verbose = 1; continue; }
        if (strcmp(a, "--rtu-own-pty") == 0) { o->own_pty = 1; continue; }
        if (v == NULL) { fprintf(stderr, "missing value after %s\n", a); return 0; }
        ++i;
        if (strcmp(a, "--tcp") == 0) {
            o->tcp = 1;
            if (!parse_int(v, 0, 65535, &o->port)) { fprintf(stderr, "bad port %s\n", v); return 0; }
        } else if (strcmp(a, "--rtu") == 0) {
            o->device = v;
        } else if (strcmp(a, "--baud") == 0) {
            if (!parse_int(v, 50, 4000000, &o->baud)) { fprintf(stderr, "bad baud %s\n", v); return 0; }
        } else if (strcmp(a, "--parity") == 0) {
            if (strcmp(v, "N") != 0 && strcmp(v, "E") != 0 && strcmp(v, "O") != 0) {
                fprintf(stderr, "bad parity %s\n", v);
                return 0;
            }
            o->parity = v[0];
        } else if (strcmp(a, "--data") == 0) {
            if (!parse_int(v, 7, 8, &o->data_bits)) { fprintf(stderr, "bad data bits %s\n", v); return 0; }
        } else if (strcmp(a, "--stop") == 0) {
            if (!parse_int(v, 1, 2, &o->stop_bits)) { fprintf(stderr, "bad stop bits %s\n", v); return 0; }
        } else if (strcmp(a, "--slave") == 0) {
            if (!parse_int(v, 1, 247, &o->slave)) { fprintf(stderr, "bad slave id %s\n", v); return 0; }
        } else if (strcmp(a, "--lines") == 0) {
            if (!parse_int(v, 1, MAX_LINES, &o->lines)) { fprintf(stderr, "bad line count %s\n", v); return 0; }
        } else if (strcmp(a, "--max-seconds") == 0) {
            if (!parse_int(v, 1, 86400, &o->max_seconds)) { fprintf(stderr, "bad seconds %s\n", v); return 0; }
        } else {
            fprintf(stderr, "unknown option %s\n", a);
            return 0;
        }
    }
    if (o->tcp + (o->device != NULL) + o->own_pty != 1) {
        fprintf(stderr, "give exactly one of --tcp, --rtu and --rtu-own-pty\n");
        return 0;
    }
    return 1;
}

static modbus_mapping_t *new_mapping(void) {
    modbus_mapping_t *m = modbus_mapping_new(ZQ_PEER_TABLE_SIZE, ZQ_PEER_TABLE_SIZE,
                                             ZQ_PEER_TABLE_SIZE, ZQ_PEER_TABLE_SIZE);
    unsigned i;
    if (m == NULL) return NULL;
    for (i = 0; i < ZQ_PEER_TABLE_SIZE; ++i) {
        m->tab_bits[i] = zq_peer_coil(i);
        m->tab_input_bits[i] = zq_peer_discrete(i);
        m->tab_registers[i] = zq_peer_holding(i);
        m->tab_input_registers[i] = zq_peer_input(i);
    }
    return m;
}

static double now_seconds(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

/* Waits up to 200 ms for one of the n descriptors (-1 entries are skipped)
 * to become readable. Returns its index, -1 when none is yet, -2 to stop
 * (signal flag, stdin closed, select error). */
static int wait_any(const int *fds, int n, int watch_stdin) {
    fd_set set;
    struct timeval tv;
    int maxfd = -1;
    int rc, i;
    FD_ZERO(&set);
    for (i = 0; i < n; ++i)
        if (fds[i] >= 0) { FD_SET(fds[i], &set); if (fds[i] > maxfd) maxfd = fds[i]; }
    if (watch_stdin) { FD_SET(STDIN_FILENO, &set); if (STDIN_FILENO > maxfd) maxfd = STDIN_FILENO; }
    tv.tv_sec = 0;
    tv.tv_usec = 200000;
    rc = select(maxfd + 1, &set, NULL, NULL, &tv);
    if (g_stop) return -2;
    if (rc < 0) return errno == EINTR ? -1 : -2;
    if (rc == 0) return -1;
    if (watch_stdin && FD_ISSET(STDIN_FILENO, &set)) {
        char junk[64];
        ssize_t got = read(STDIN_FILENO, junk, sizeof junk);
        if (got <= 0) return -2; /* the starter went away */
    }
    for (i = 0; i < n; ++i)
        if (fds[i] >= 0 && FD_ISSET(fds[i], &set)) return i;
    return -1;
}

/* Request loop limits: the deadline bounds the time, this bounds the count. */
#define MAX_ITERATIONS 100000000L

static int serve_tcp(const struct options *o, modbus_t *ctx, modbus_mapping_t *map) {
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    struct sockaddr_in addr;
    socklen_t len = sizeof addr;
    double deadline = now_seconds() + o->max_seconds;
    long iterations = 0;
    int listen_fd = modbus_tcp_listen(ctx, 4);
    if (listen_fd < 0) {
        fprintf(stderr, "listen on 127.0.0.1:%d failed: %s\n", o->port, modbus_strerror(errno));
        return 1;
    }
    if (getsockname(listen_fd, (struct sockaddr *)&addr, &len) != 0) {
        perror("getsockname");
        close(listen_fd);
        return 1;
    }
    printf("READY %u\n", (unsigned)ntohs(addr.sin_port));
    fflush(stdout);

    /* fds[0] is the listening socket while there is room for a client. */
    int fds[1 + MAX_LINES];
    int clients = 0, i;
    for (i = 0; i <= MAX_LINES; ++i) fds[i] = -1;
    while (!g_stop && now_seconds() < deadline && iterations++ < MAX_ITERATIONS) {
        int w;
        fds[0] = clients < o->lines ? listen_fd : -1;
        w = wait_any(fds, 1 + o->lines, o->exit_on_stdin_eof);
        if (w == -2) break;
        if (w < 0) continue;
        if (w == 0) {
            if (modbus_tcp_accept(ctx, &listen_fd) < 0) {
                if (o->verbose) fprintf(stderr, "accept: %s\n", modbus_strerror(errno));
                continue;
            }
            for (i = 1; i <= o->lines && fds[i] >= 0; ++i) {
            }
            fds[i] = modbus_get_socket(ctx);
            ++clients;
            continue;
        }
        modbus_set_socket(ctx, fds[w]);
        {
            const int rc = modbus_receive(ctx, query);
            if (rc > 0) {
                /* Counted before the answer goes out: a client that asks
                 * for the count right after its answer must find it there. */
                g_served++;
                modbus_reply(ctx, query, rc, map);
            } else if (rc < 0) {
                /* Client gone (or a broken frame): drop it, take the next one. */
                close(fds[w]);
                fds[w] = -1;
                --clients;
            }
        }
    }
    for (i = 1; i <= MAX_LINES; ++i)
        if (fds[i] >= 0) close(fds[i]);
    close(listen_fd);
    return 0;
}

/* Opens line i: a pty pair of its own (its master end), or the i-th of the
 * comma-separated devices. The slave end's path or the device goes into
 * endpoint. Returns the context, NULL on failure (said on stderr). */
static modbus_t *open_rtu_line(const struct options *o, int i, char *endpoint, size_t size) {
    modbus_t *ctx;
    if (o->own_pty) {
        /* The master end is the slave's line: no relay in between, and a pty
         * master needs no line settings (it starts raw). */
        const char *path;
        int fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || (path = ptsname(fd)) == NULL) {
            perror("cannot make a pty pair");
            if (fd >= 0) close(fd);
            return NULL;
        }
        snprintf(endpoint, size, "%s", path);
        ctx = modbus_new_rtu("own pty", o->baud, o->parity, o->data_bits, o->stop_bits);
        if (ctx == NULL) {
            close(fd);
            return NULL;
        }
        modbus_set_socket(ctx, fd);
    } else {
        const char *start = o->device;
        size_t len;
        int k;
        for (k = 0; k < i && start != NULL; ++k) {
            start = strchr(start, ',');
            if (start != NULL) ++start;
        }
        if (start == NULL) {
            fprintf(stderr, "--rtu names fewer than %d devices\n", o->lines);
            return NULL;
        }
        len = strcspn(start, ",");
        snprintf(endpoint, size, "%.*s", (int)len, start);
        ctx = modbus_new_rtu(endpoint, o->baud, o->parity, o->data_bits, o->stop_bits);
        if (ctx == NULL || modbus_connect(ctx) != 0) {
            fprintf(stderr, "cannot open %s: %s\n", endpoint, modbus_strerror(errno));
            if (ctx != NULL) modbus_free(ctx);
            return NULL;
        }
    }
    modbus_set_slave(ctx, o->slave);
    modbus_set_debug(ctx, o->verbose ? TRUE : FALSE);
    modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_PROTOCOL);
    return ctx;
}

static int serve_rtu(const struct options *o, modbus_mapping_t *map) {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    double deadline = now_seconds() + o->max_seconds;
    long iterations = 0;
    modbus_t *ctx[MAX_LINES] = {NULL};
    int fds[MAX_LINES];
    char endpoints[MAX_LINES][256];
    int i, result = 0;
    for (i = 0; i < o->lines; ++i) {
        ctx[i] = open_rtu_line(o, i, endpoints[i], sizeof endpoints[i]);
        if (ctx[i] == NULL) {
            result = 1;
            break;
        }
        fds[i] = modbus_get_socket(ctx[i]);
    }
    if (result == 0) {
        printf("READY");
        for (i = 0; i < o->lines; ++i) printf(" %s", endpoints[i]);
        printf("\n");
        fflush(stdout);
    }
    while (result == 0 && !g_stop && now_seconds() < deadline && iterations++ < MAX_ITERATIONS) {
        int rc;
        const int w = wait_any(fds, o->lines, o->exit_on_stdin_eof);
        if (w == -2) break;
        if (w < 0) continue;
        rc = modbus_receive(ctx[w], query);
        /* 0: addressed to another slave; -1: bad CRC or broken frame, which
         * libmodbus has already flushed. Either way there is nothing to say. */
        if (rc > 0) {
            g_served++;
            modbus_reply(ctx[w], query, rc, map);
        } else if (rc < 0 && errno == EIO && o->own_pty) {
            /* Nobody has the other end open (between two masters): the
             * master reads EIO at once until someone does. */
            struct timespec pause = {0, 1000000};
            nanosleep(&pause, NULL);
        }
    }
    for (i = 0; i < o->lines; ++i) {
        if (ctx[i] == NULL) continue;
        /* libmodbus would restore line settings it never took on a pty */
        if (o->own_pty) close(fds[i]);
        else modbus_close(ctx[i]);
        modbus_free(ctx[i]);
    }
    return result;
}

int main(int argc, char **argv) {
    struct options o;
    struct sigaction sa;
    modbus_t *ctx;
    modbus_mapping_t *map;
    int result;

    if (!parse_args(argc, argv, &o)) {
        usage();
        return 2;
    }
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal; /* no SA_RESTART: select must return on a signal */
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    sa.sa_handler = on_report;
    sa.sa_flags = SA_RESTART; /* a report must not break a read or write under way */
    sigaction(SIGUSR1, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    map = new_mapping();
    if (map == NULL) {
        fprintf(stderr, "out of memory\n");
        return 1;
    }
    if (!o.tcp) {
        result = serve_rtu(&o, map);
        modbus_mapping_free(map);
        return result;
    }
    ctx = modbus_new_tcp("127.0.0.1", o.port);
    if (ctx == NULL) {
        fprintf(stderr, "cannot create the libmodbus context: %s\n", modbus_strerror(errno));
        modbus_mapping_free(map);
        return 1;
    }
    modbus_set_debug(ctx, o.verbose ? TRUE : FALSE);
    modbus_set_slave(ctx, o.slave);
    modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_PROTOCOL);

    result = serve_tcp(&o, ctx, map);

    modbus_free(ctx);
    modbus_mapping_free(map);
    return result;
}
