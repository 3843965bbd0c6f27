#!/usr/bin/python3
"""A Modbus slave whose values move, to try Zentiq against without hardware.

  demo_slave.py --tcp 5020            Modbus/TCP on 127.0.0.1:5020
  demo_slave.py --rtu /dev/pts/N      Modbus RTU on a serial device or pty
  options: --slave ID (default 1), --baud N (default 19200),
           --exit-on-stdin-eof, --max-seconds N (default 3600)

Prints "READY <port-or-device>" once it serves. Once a second it updates
(0-based protocol addresses, slave 1 by default):

  holding register 0      counter of seconds since start (wraps at 65536)
  holding registers 2-3   100 * sin(2 pi t / 20 s) as a 32-bit float,
                          low word in register 2
  holding register 4      a temperature in tenths of a degree, 215 +/- 15
  holding register 5      a sawtooth 0, 100, ..., 900
  coils 0-7               the counter in binary (coil 0 toggles every second)
  discrete inputs 0-7     the coils inverted
  input registers 0-9     counter * (i + 1)

Every other address of the 100 of each table is writable and keeps what is
written (the next update overwrites only the addresses above).

Needs the Debian package python3-pymodbus (run with /usr/bin/python3).
"""

import argparse
import asyncio
import logging
import math
import os
import struct
import sys
import threading
import time

try:
    from pymodbus.datastore import (ModbusSequentialDataBlock,
                                    ModbusServerContext, ModbusSlaveContext)
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
    from pymodbus.framer.socket_framer import ModbusSocketFramer
    from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
except ImportError as exc:  # exit code 3: the launchers turn it into an install hint
    # pymodbus imports some of its own dependencies only as Recommends.
    package = {"serial_asyncio": "python3-serial-asyncio", "serial": "python3-serial"}.get(
        (exc.name or "").split(".")[0], "python3-pymodbus")
    print(f"Python module {exc.name or exc} is missing: install the Debian package {package}",
          file=sys.stderr, flush=True)
    sys.exit(3)

# tools/check_deps.py: stop once everything this script needs is imported.
if sys.argv[1:] == ["--check-imports"]:
    sys.exit(0)

TABLE_SIZE = 100


def float_words(value):
    """The two registers of a 32-bit float, low word first."""
    bits = struct.unpack("<I", struct.pack("<f", value))[0]
    return [bits & 0xFFFF, bits >> 16]


def update(store, started):
    t = time.monotonic() - started
    counter = int(t) & 0xFFFF
    sine = 100.0 * math.sin(2.0 * math.pi * t / 20.0)
    temperature = 215 + int(round(15.0 * math.sin(2.0 * math.pi * t / 60.0)))
    holding = [counter, 0] + float_words(sine) + [temperature, (counter % 10) * 100]
    # Register 1 is left as it is: it is free for writes.
    store.setValues(3, 0, holding[:1])
    store.setValues(3, 2, holding[2:])
    coils = [(counter >> i) & 1 for i in range(8)]
    store.setValues(1, 0, coils)
    store.setValues(2, 0, [1 - c for c in coils])
    store.setValues(4, 0, [(counter * (i + 1)) & 0xFFFF for i in range(10)])


async def updater(store, started, seconds):
    for _ in range(int(seconds) + 1):  # one update a second, bounded by the lifetime
        update(store, started)
        await asyncio.sleep(1.0)


async def serve(args, context, store):
    started = time.monotonic()
    update(store, started)
    if args.tcp is not None:
        server = ModbusTcpServer(context, ModbusSocketFramer, address=("127.0.0.1", args.tcp),
                                 allow_reuse_address=True)
        task = asyncio.create_task(server.serve_forever())
        await asyncio.wait([task, server.serving], return_when=asyncio.FIRST_COMPLETED)
        if task.done():
            task.result()
            raise OSError(f"cannot listen on 127.0.0.1:{args.tcp}")
        print(f"READY {server.server.sockets[0].getsockname()[1]}", flush=True)
    else:
        server = ModbusSerialServer(context, ModbusRtuFramer, port=args.rtu, baudrate=args.baud,
                                    bytesize=8, parity="N", stopbits=1, timeout=0.05)
        await server.start()
        if server.transport is None:
            raise OSError(f"cannot open {args.rtu}")
        print(f"READY {args.rtu}", flush=True)
    await updater(store, started, args.max_seconds)


def main():
    parser = argparse.ArgumentParser(description="Modbus demo slave with changing values")
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--tcp", type=int, metavar="PORT")
    mode.add_argument("--rtu", metavar="DEVICE")
    parser.add_argument("--baud", type=int, default=19200)
    parser.add_argument("--slave", type=int, default=1)
    parser.add_argument("--exit-on-stdin-eof", action="store_true")
    parser.add_argument("--max-seconds", type=int, default=3600)
    args = parser.parse_args()
    if args.tcp is not None and not 0 <= args.tcp <= 65535:
        parser.error("port out of range")
    if not 1 <= args.slave <= 247:
        parser.error("slave ID out of range")
    if not 1 <= args.max_seconds <= 86400:
        parser.error("--max-seconds out of range")
    logging.getLogger().setLevel(logging.CRITICAL)

    if args.exit_on_stdin_eof:
        def watch():
            try:
                while sys.stdin.buffer.read1(4096):
                    pass
            except (OSError, ValueError):
                pass
            os._exit(0)
        threading.Thread(target=watch, daemon=True).start()

    store = ModbusSlaveContext(
        di=ModbusSequentialDataBlock(0, [0] * TABLE_SIZE),
        co=ModbusSequentialDataBlock(0, [0] * TABLE_SIZE),
        hr=ModbusSequentialDataBlock(0, [0] * TABLE_SIZE),
        ir=ModbusSequentialDataBlock(0, [0] * TABLE_SIZE),
        zero_mode=True,
    )
    context = ModbusServerContext(slaves={args.slave: store}, single=False)
    try:
        asyncio.run(serve(args, context, store))
    except (OSError, ValueError) as exc:
        print(f"demo_slave: {exc}", file=sys.stderr, flush=True)
        return 1
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    code = main()
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(code)
