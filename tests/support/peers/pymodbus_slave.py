#!/usr/bin/python3
"""A Modbus slave on pymodbus (Debian python3-pymodbus 3.0), run by the
integration tests as a real peer.

  pymodbus_slave.py --tcp PORT                  (binds 127.0.0.1; 0 = any free port;
                                                --host 127.x.y.z for another loopback address)
  pymodbus_slave.py --rtu-tcp PORT              (RTU frames, CRC and all, over TCP on 127.0.0.1)
  pymodbus_slave.py --rtu DEVICE   [--baud N]   (Modbus RTU on a serial device or pty)
  pymodbus_slave.py --ascii DEVICE [--baud N]   (Modbus ASCII)
  common options: --slave ID (default 1), --max-seconds N (default 900), --verbose
  bus scanner options: --slave ID,ID,... serves several IDs alike;
                       --sparse FIRST-LAST,... only those addresses exist, in every
                       table, and a read that touches any other gets exception 02
  several slaves told apart: --holding-offset N adds N to every holding register
  typed rows: --typed-block ADDR puts the values of TYPED_BLOCK (below) into
    the holding registers from ADDR on, each in its type and byte order
  identity (read device identification 43/14 and report slave ID 17):
    --vendor TEXT --product-code TEXT --revision TEXT --vendor-url TEXT
    --product-name TEXT --model-name TEXT --user-application TEXT
    --object ID=TEXT (an extended object, ID 0x80..0xFF; repeatable)
  pymodbus answers report slave ID with the basic objects joined by "-"
  ("Pymodbus" when they are empty) followed by the run indicator 0xFF.

Prints "READY <port>" (TCP) or "READY <device>" (serial) on stdout once it
serves, and ends when its standard input closes, on SIGTERM, or after
--max-seconds. Requests for another slave ID get no answer (as on a real
bus); slave 0 is a broadcast: writes are carried out, nothing is answered.

The tables hold 2000 entries of each kind and start with the pattern of
tests/support/peer_data.h (0-based protocol addresses):
  holding register i = (i * 7 + 3) & 0xFFFF
  input register i   = (0xFFFF - i * 5) & 0xFFFF
  coil i             = 1 when i % 3 == 0
  discrete input i   = 1 when i % 5 == 1
"""

import argparse
import asyncio
import logging
import os
import sys
import threading

TABLE_SIZE = 2000
EXIT_MISSING_PACKAGE = 3
# --holding-offset: slaves that must not be mistaken for one another.
HOLDING_OFFSET = 0


def holding(i):
    return (i * 7 + 3 + HOLDING_OFFSET) & 0xFFFF


def input_register(i):
    return (0xFFFF - i * 5) & 0xFFFF


def coil(i):
    return 1 if i % 3 == 0 else 0


def discrete(i):
    return 1 if i % 5 == 1 else 0


try:
    from pymodbus.device import ModbusDeviceIdentification
    from pymodbus.datastore import (ModbusSequentialDataBlock, ModbusSparseDataBlock,
                                    ModbusServerContext, ModbusSlaveContext)
    from pymodbus.framer.ascii_framer import ModbusAsciiFramer
    from pymodbus.framer.rtu_framer import ModbusRtuFramer
    from pymodbus.framer.socket_framer import ModbusSocketFramer
    from pymodbus.server.async_io import ModbusSerialServer, ModbusTcpServer
except ImportError as exc:  # exit code 3: the launchers turn it into an install hint
    # pymodbus imports some of its own dependencies only as Recommends.
    package = {"serial_asyncio": "python3-serial-asyncio", "serial": "python3-serial"}.get(
        (exc.name or "").split(".")[0], "python3-pymodbus")
    print(f"Python module {exc.name or exc} is missing: install the Debian package {package}",
          file=sys.stderr, flush=True)
    sys.exit(EXIT_MISSING_PACKAGE)

# tools/check_deps.py: stop once everything this script needs is imported.
if sys.argv[1:] == ["--check-imports"]:
    sys.exit(0)


def make_context(slave_id):
    # zero_mode=True: the block index is the protocol address (without it the
    # context shifts every address by one).
    store = ModbusSlaveContext(
        di=ModbusSequentialDataBlock(0, [discrete(i) for i in range(TABLE_SIZE)]),
        co=ModbusSequentialDataBlock(0, [coil(i) for i in range(TABLE_SIZE)]),
        hr=ModbusSequentialDataBlock(0, [holding(i) for i in range(TABLE_SIZE)]),
        ir=ModbusSequentialDataBlock(0, [input_register(i) for i in range(TABLE_SIZE)]),
        zero_mode=True,
    )
    return ModbusServerContext(slaves={slave_id: store}, single=False)


# ---- typed rows: one block of every kind of value a device mixes ----
# (offset, type, order, value): the value as the device means it, encoded
# here with struct so that the program's reading is checked against an
# independent encoder. Orders name bytes most significant first (ABCD); for
# 64-bit values the letters name the words as they do for the 32-bit ones.
TYPED_BLOCK = [
    (0, "h", "ABCD", -1234),
    (1, "I", "ABCD", 3000000000),
    (3, "f", "ABCD", 21.5),
    (5, "f", "CDAB", -3.25),
    (7, "f", "BADC", 1013.25),
    (9, "f", "DCBA", 0.125),
    (11, "q", "ABCD", -1234567890123),
    (15, "Q", "CDAB", 12345678901234567890),
    (19, "bcd", "ABCD", 2024),
    (20, "text", "ABCD", b"ZQ-7781"),
    (24, "text", "BADC", b"SN42"),
    (28, "h", "ABCD", 235),  # a temperature in tenths of a degree
    (29, "H", "ABCD", 0b1010000000000101),
]
TYPED_TEXT_REGISTERS = 4


def typed_words(kind, order, value):
    import struct
    if kind == "bcd":
        return [int(str(value), 16)]
    if kind == "text":
        raw = value.ljust(2 * TYPED_TEXT_REGISTERS, b"\0")
    else:
        raw = struct.pack(">" + kind, value)
    words = [raw[i:i + 2] for i in range(0, len(raw), 2)]
    if order in ("BADC", "DCBA"):
        words = [w[::-1] for w in words]
    if order in ("CDAB", "DCBA") and kind != "text":
        words.reverse()
    return [int.from_bytes(w, "big") for w in words]


def put_typed_block(context, slave_ids, address):
    for slave_id in slave_ids:
        for offset, kind, order, value in TYPED_BLOCK:
            words = typed_words(kind, order, value)
            context[slave_id].setValues(3, address + offset, words)


# ---- bus scanner: several slave IDs, sparse address blocks ----
def slave_list(text):
    ids = [int(part) for part in text.split(",") if part.strip()]
    if not ids or any(not 1 <= i <= 247 for i in ids):
        raise argparse.ArgumentTypeError("slave IDs must be 1..247")
    return ids


def sparse_blocks(text):
    blocks = []
    for part in text.split(","):
        first, _, last = part.partition("-")
        first, last = int(first), int(last or first)
        if not 0 <= first <= last < 65536:
            raise argparse.ArgumentTypeError(f"bad block {part}")
        blocks.append((first, last))
    return blocks


def make_scan_context(args):
    if not args.sparse:
        stores = {i: make_context(i)[i] for i in args.slave}
        return ModbusServerContext(slaves=stores, single=False)
    addresses = [a for first, last in args.sparse for a in range(first, last + 1)]

    def block(value):
        return ModbusSparseDataBlock({a: value(a) for a in addresses})
    stores = {i: ModbusSlaveContext(di=block(discrete), co=block(coil), hr=block(holding),
                                    ir=block(input_register), zero_mode=True)
              for i in args.slave}
    return ModbusServerContext(slaves=stores, single=False)
# ---- end of the bus scanner options ----


IDENTITY_OPTIONS = [("vendor", 0x00), ("product_code", 0x01), ("revision", 0x02),
                    ("vendor_url", 0x03), ("product_name", 0x04), ("model_name", 0x05),
                    ("user_application", 0x06)]


def add_identity_arguments(parser):
    group = parser.add_argument_group("identity")
    for name, _ in IDENTITY_OPTIONS:
        group.add_argument("--" + name.replace("_", "-"), metavar="TEXT")
    group.add_argument("--object", action="append", default=[], metavar="ID=TEXT")


def make_identity(args, parser):
    """The device identification objects the options name (None: pymodbus' own)."""
    info = {oid: getattr(args, name) for name, oid in IDENTITY_OPTIONS
            if getattr(args, name) is not None}
    for item in args.object:
        oid, sep, text = item.partition("=")
        try:
            oid = int(oid, 0)
        except ValueError:
            oid = -1
        if not sep or not 0x80 <= oid <= 0xFF:
            parser.error(f"--object {item}: want ID=TEXT with ID 0x80..0xFF")
        info[oid] = text
    return ModbusDeviceIdentification(info=info) if info else None


def exit_when_stdin_closes():
    """The starter holds our stdin; when it goes away (even by a crash) so do we."""
    def watch():
        try:
            while sys.stdin.buffer.read1(4096):
                pass
        except (OSError, ValueError):
            pass
        os._exit(0)
    threading.Thread(target=watch, daemon=True).start()


def exit_after(seconds):
    timer = threading.Timer(seconds, lambda: os._exit(0))
    timer.daemon = True
    timer.start()


async def serve_tcp(args, context):
    # RTU over TCP: the TCP server with the RTU framer, as a serial gateway speaks.
    rtu = args.rtu_tcp is not None
    port = args.rtu_tcp if rtu else args.tcp
    server = ModbusTcpServer(context, ModbusRtuFramer if rtu else ModbusSocketFramer,
                             identity=args.identity, address=(args.host, port),
                             allow_reuse_address=True, broadcast_enable=True,
                             ignore_missing_slaves=True)
    task = asyncio.create_task(server.serve_forever())
    await asyncio.wait([task, server.serving], return_when=asyncio.FIRST_COMPLETED)
    if task.done():  # serve_forever ended before serving: bind failed
        task.result()
        raise OSError(f"cannot listen on {args.host}:{port}")
    port = server.server.sockets[0].getsockname()[1]
    print(f"READY {port}", flush=True)
    await task


async def serve_serial(args, context):
    framer = ModbusAsciiFramer if args.ascii else ModbusRtuFramer
    device = args.ascii or args.rtu
    parity = {"N": "N", "E": "E", "O": "O"}[args.parity]
    server = ModbusSerialServer(context, framer, identity=args.identity, port=device,
                                baudrate=args.baud,
                                bytesize=args.data, parity=parity, stopbits=args.stop,
                                timeout=0.05, broadcast_enable=True,
                                ignore_missing_slaves=True)
    await server.start()
    if server.transport is None:  # start() only logs why; --verbose shows it
        raise OSError(f"cannot open {device} ({args.baud} {args.data}{args.parity}{args.stop})")
    print(f"READY {device}", flush=True)
    # The serial server's own serve_forever only sleeps; bound the wait instead.
    await asyncio.sleep(args.max_seconds)


def main():
    parser = argparse.ArgumentParser(description="Modbus test slave on pymodbus")
    mode = parser.add_mutually_exclusive_group(required=True)
    mode.add_argument("--tcp", type=int, metavar="PORT")
    mode.add_argument("--rtu-tcp", type=int, metavar="PORT")
    mode.add_argument("--rtu", metavar="DEVICE")
    mode.add_argument("--ascii", metavar="DEVICE")
    parser.add_argument("--baud", type=int, default=19200)
    parser.add_argument("--parity", choices=["N", "E", "O"], default="N")
    parser.add_argument("--data", type=int, choices=[7, 8], default=8)
    parser.add_argument("--stop", type=int, choices=[1, 2], default=1)
    parser.add_argument("--slave", type=slave_list, default=[1])
    parser.add_argument("--sparse", type=sparse_blocks, default=None)
    parser.add_argument("--typed-block", type=int, default=None, metavar="ADDR")
    parser.add_argument("--max-seconds", type=int, default=900)
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--host", default="127.0.0.1", help="a loopback address (127.0.0.0/8)")
    parser.add_argument("--holding-offset", type=int, default=0, metavar="N")
    add_identity_arguments(parser)
    args = parser.parse_args()
    args.identity = make_identity(args, parser)
    for port in (args.tcp, args.rtu_tcp):
        if port is not None and not 0 <= port <= 65535:
            parser.error("port out of range")
    # Test traffic stays on this machine.
    if not args.host.startswith("127.") or args.host.count(".") != 3:
        parser.error("--host must be a loopback address")
    if not 1 <= args.max_seconds <= 86400:
        parser.error("--max-seconds out of range")

    # pymodbus configures the root logger on import; quieten it here (every
    # client disconnect is logged as an error otherwise).
    logging.getLogger().setLevel(logging.DEBUG if args.verbose else logging.CRITICAL)
    if not 0 <= args.holding_offset <= 0xFFFF:
        parser.error("--holding-offset out of range")
    global HOLDING_OFFSET
    HOLDING_OFFSET = args.holding_offset
    exit_when_stdin_closes()
    exit_after(args.max_seconds)
    context = make_scan_context(args)
    if args.typed_block is not None:
        if not 0 <= args.typed_block <= TABLE_SIZE - 30:
            parser.error("--typed-block out of range")
        put_typed_block(context, args.slave, args.typed_block)
    try:
        if args.tcp is not None or args.rtu_tcp is not None:
            asyncio.run(serve_tcp(args, context))
        else:
            asyncio.run(serve_serial(args, context))
    except (OSError, ValueError) as exc:
        print(f"pymodbus_slave: {exc}", file=sys.stderr, flush=True)
        return 1
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    # os._exit: a normal exit would wait on the stdin watcher thread.
    code = main()
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(code)
