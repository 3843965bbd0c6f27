/* The values every test peer holds when it starts, so that tests can check
 * what they read without asking the peer first. Shared by the C slave, the
 * C++ tests and benchmarks; tests/support/peers/pymodbus_slave.py and
 * tools/demo_slave.py repeat the same four formulas in Python.
 *
 *   holding register i  = (i * 7 + 3) & 0xFFFF
 *   input register i    = (0xFFFF - i * 5) & 0xFFFF
 *   coil i              = 1 when i % 3 == 0, else 0
 *   discrete input i    = 1 when i % 5 == 1, else 0
 *
 * for i = 0 .. ZQ_PEER_TABLE_SIZE - 1 (0-based protocol addresses). Writes
 * change the peer's copy; a fresh peer always starts from this pattern. */
#ifndef ZENTIQ_TESTS_SUPPORT_PEER_DATA_H
#define ZENTIQ_TESTS_SUPPORT_PEER_DATA_H

#include <stdint.h>

#define ZQ_PEER_TABLE_SIZE 2000

static inline uint16_t zq_peer_holding(unsigned i) { return (uint16_t)((i * 7u + 3u) & 0xFFFFu); }
static inline uint16_t zq_peer_input(unsigned i) { return (uint16_t)((0xFFFFu - i * 5u) & 0xFFFFu); }
static inline uint8_t zq_peer_coil(unsigned i) { return (uint8_t)(i % 3u == 0u); }
static inline uint8_t zq_peer_discrete(unsigned i) { return (uint8_t)(i % 5u == 1u); }

#endif
