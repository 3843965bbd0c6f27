/* A Modbus RTU slave on a pty that answers no faster than a real serial line
 * could carry the frames: the physical limit that a master can reach at a
 * given baud rate, for the wire bench.
 *
 *   zentiq_wire_slave --baud N [--parity N|E|O] [--data 7|8] [--stop 1|2]
 *                     [--slave ID] [--max-seconds N]
 *
 * It makes a pty pair, serves its master end and prints "READY <path>" (the
 * other end, for the master to open). The line is modelled as one wire:
 * a request goes on it when it arrives, or once the silent interval after
 * the last answer has passed if it arrives sooner; its end is known after a
 * further silent interval (3.5 characters, 1750 us above 19200 baud); the
 * answer then takes its own characters on the wire, and is handed over
 * whole at the moment its last character would have arrived. Every time in
 * the model follows from the one before, so the slave's own lateness never
 * adds up, and a master that turns round within the silent interval reaches
 * the wire's rate exactly.
 *
 * Requests are taken 8 bytes at a time (functions 1 to 6). Functions 3 and 4
 * read the holding and input registers of peer_data.h; the others get
 * exception 1. A request for another ID or with a wrong CRC gets no answer,
 * and what else has come in is dropped, so the next request starts afresh.
 *
 * On SIGUSR1 it prints "SERVED <answers> <early> <turnaround_us> <late_us>
 * <late_max_us>": answers so far, requests that arrived within the silent
 * interval after an answer, the sum of the masters' turn-round times (from
 * an answer handed over to the next request's arrival), and the sum and the
 * largest of the slave's own lateness in handing answers over. It ends at
 * SIGTERM, at end of input on stdin, or after --max-seconds. */
#define _XOPEN_SOURCE 700
#define _DEFAULT_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "../../tests/support/peer_data.h"
#include "../../tests/support/peers/parse_int.h"

static volatile sig_atomic_t g_stop = 0;
static volatile sig_atomic_t g_report = 0;

static void on_stop(int sig) { (void)sig; g_stop = 1; }
static void on_report(int sig) { (void)sig; g_report = 1; }

typedef int64_t ns_t;

static ns_t now_ns(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (ns_t)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

/* Sleeps until the moment, then looks at the clock for the last stretch: a
 * timer wakes up tens of microseconds late, and on a virtual machine now and
 * then a millisecond, which at 115200 baud would add up to a noticeable
 * share of a frame. */
static void wait_until(ns_t when) {
    const ns_t kSpin = 1000000;
    ns_t left = when - now_ns();
    if (left > kSpin) {
        ns_t sleep = left - kSpin;
        struct timespec ts = {(time_t)(sleep / 1000000000), (long)(sleep % 1000000000)};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR && !g_stop) {
        }
    }
    for (long i = 0; i < 100000000L && now_ns() < when; ++i) {
    }
}

static uint16_t crc16(const uint8_t *p, size_t n) {
    uint16_t crc = 0xFFFF;
    size_t i;
    int b;
    for (i = 0; i < n; ++i) {
        crc ^= p[i];
        for (b = 0; b < 8; ++b) crc = (crc & 1) ? (uint16_t)((crc >> 1) ^ 0xA001) : (uint16_t)(crc >> 1);
    }
    return crc;
}

static size_t with_crc(uint8_t *frame, size_t n) {
    const uint16_t crc = crc16(frame, n);
    frame[n] = (uint8_t)(crc & 0xFF);
    frame[n + 1] = (uint8_t)(crc >> 8);
    return n + 2;
}

/* The answer to one whole request of 8 bytes; its length, 0 for none. */
static size_t answer(const uint8_t *req, int slave, uint8_t *out) {
    const unsigned fc = req[1];
    const unsigned addr = ((unsigned)req[2] << 8) | req[3];
    const unsigned count = ((unsigned)req[4] << 8) | req[5];
    unsigned i;
    if (crc16(req, 8) != 0 || req[0] != slave) return 0;
    out[0] = req[0];
    if ((fc != 3 && fc != 4) || count < 1 || count > 125 || addr + count > ZQ_PEER_TABLE_SIZE) {
        out[1] = (uint8_t)(fc | 0x80);
        out[2] = (fc != 3 && fc != 4) ? 1 : 2;
        return with_crc(out, 3);
    }
    out[1] = (uint8_t)fc;
    out[2] = (uint8_t)(2 * count);
    for (i = 0; i < count; ++i) {
        const uint16_t v = fc == 3 ? zq_peer_holding(addr + i) : zq_peer_input(addr + i);
        out[3 + 2 * i] = (uint8_t)(v >> 8);
        out[4 + 2 * i] = (uint8_t)(v & 0xFF);
    }
    return with_crc(out, 3 + 2 * count);
}

int main(int argc, char **argv) {
    int baud = 0, data = 8, stop = 1, slave = 1, seconds = 900;
    char parity = 'N';
    int i, fd;
    const char *path;
    struct sigaction sa;
    ns_t char_ns, silent_ns, deadline, line_free = 0, handed_over = 0, request_start = 0;
    long long served = 0, early = 0, turnaround_us = 0, late_us = 0, late_max_us = 0;
    uint8_t req[8];
    size_t have = 0;
    long iterations = 0;

    for (i = 1; i + 1 < argc; i += 2) {
        const char *a = argv[i], *v = argv[i + 1];
        int ok = 1;
        if (strcmp(a, "--baud") == 0) ok = parse_int(v, 50, 4000000, &baud);
        else if (strcmp(a, "--data") == 0) ok = parse_int(v, 7, 8, &data);
        else if (strcmp(a, "--stop") == 0) ok = parse_int(v, 1, 2, &stop);
        else if (strcmp(a, "--slave") == 0) ok = parse_int(v, 1, 247, &slave);
        else if (strcmp(a, "--max-seconds") == 0) ok = parse_int(v, 1, 86400, &seconds);
        else if (strcmp(a, "--parity") == 0 && (v[0] == 'N' || v[0] == 'E' || v[0] == 'O') && !v[1]) parity = v[0];
        else ok = 0;
        if (!ok) {
            fprintf(stderr, "bad option %s %s\n", a, v);
            return 2;
        }
    }
    if (i != argc || baud == 0) {
        fprintf(stderr, "usage: zentiq_wire_slave --baud N [--parity N|E|O] [--data 7|8] [--stop 1|2]"
                        " [--slave ID] [--max-seconds N]\n");
        return 2;
    }
    /* Start, data, parity and stop bits of one character. */
    char_ns = (ns_t)(1 + data + (parity != 'N') + stop) * 1000000000 / baud;
    silent_ns = baud > 19200 ? 1750000 : char_ns * 7 / 2;

    memset(&sa, 0, sizeof sa);
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = on_stop;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    sa.sa_handler = on_report;
    sigaction(SIGUSR1, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);

    fd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || (path = ptsname(fd)) == NULL) {
        perror("cannot make a pty pair");
        return 1;
    }
    printf("READY %s\n", path);
    fflush(stdout);
    deadline = now_ns() + (ns_t)seconds * 1000000000;

    while (!g_stop && now_ns() < deadline && iterations++ < 100000000L) {
        struct pollfd p[2] = {{fd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        ssize_t n;
        if (g_report) {
            g_report = 0;
            printf("SERVED %lld %lld %lld %lld %lld\n", served, early, turnaround_us, late_us, late_max_us);
            fflush(stdout);
        }
        if (poll(p, 2, 200) < 0) continue; /* a signal */
        if (p[1].revents) {
            char junk[64];
            if (read(STDIN_FILENO, junk, sizeof junk) <= 0) break; /* the starter went away */
        }
        if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        n = read(fd, req + have, sizeof req - have);
        if (n < 0 && errno == EIO) {
            /* Nobody has the other end open (between two masters). */
            struct timespec pause = {0, 1000000};
            nanosleep(&pause, NULL);
            have = 0;
            continue;
        }
        if (n <= 0) continue;
        if (have == 0) {
            /* The first byte of a request: when it goes on the wire. */
            const ns_t arrived = now_ns();
            if (handed_over != 0) {
                turnaround_us += (arrived - handed_over) / 1000;
                if (arrived < line_free) ++early;
            }
            request_start = arrived > line_free ? arrived : line_free;
        }
        have += (size_t)n;
        if (have < sizeof req) continue;
        have = 0;
        {
            uint8_t out[5 + 2 * 125];
            const size_t len = answer(req, slave, out);
            /* The request's characters, the silence that ends it, then the
             * answer's characters. */
            const ns_t request_end = request_start + (ns_t)sizeof req * char_ns;
            const ns_t answer_end = request_end + silent_ns + (ns_t)len * char_ns;
            ns_t late;
            if (len == 0) {
                /* Not for this slave, or out of step: start afresh. */
                tcflush(fd, TCIFLUSH);
                line_free = request_end + silent_ns;
                handed_over = 0;
                continue;
            }
            wait_until(answer_end);
            if (write(fd, out, len) != (ssize_t)len) continue;
            handed_over = now_ns();
            late = (handed_over - answer_end) / 1000;
            late_us += late;
            if (late > late_max_us) late_max_us = late;
            ++served;
            line_free = answer_end + silent_ns;
        }
    }
    close(fd);
    return 0;
}
