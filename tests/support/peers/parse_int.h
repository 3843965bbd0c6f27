/* A whole number from a command-line value, within [lo, hi]; 1 when it is
 * one, 0 otherwise (the value is then left alone). For the C peers. */
#ifndef ZENTIQ_TESTS_SUPPORT_PEERS_PARSE_INT_H
#define ZENTIQ_TESTS_SUPPORT_PEERS_PARSE_INT_H

#include <errno.h>
#include <stdlib.h>

static int parse_int(const char *text, int lo, int hi, int *out) {
    char *end = NULL;
    long v;
    errno = 0;
    v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) return 0;
    *out = (int)v;
    return 1;
}

#endif
