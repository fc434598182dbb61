#!/usr/bin/python3
"""A third-party Modbus peer for the tests: pymodbus as Debian ships it (python3-pymodbus).

  pymodbus_peer.py client rtu|tcp HOST PORT SLAVE START COUNT
      reads COUNT holding registers from START and prints them, space-separated, or
      "error ..." and exits 1
  pymodbus_peer.py server rtu|tcp HOST PORT
      serves one device (any unit id) with the identification block of a gripper
      (model 0x2701, hardware 1.2.3, software 2.30, unique ID 1A2B3C4D) and zeros
      elsewhere up to 0x15FF; prints "ready" once it accepts connections
"""
import asyncio
import sys

from pymodbus.datastore import ModbusSequentialDataBlock, ModbusServerContext, ModbusSlaveContext
from pymodbus.framer.rtu_framer import ModbusRtuFramer
from pymodbus.framer.socket_framer import ModbusSocketFramer


def framer_of(name):
    return ModbusRtuFramer if name == "rtu" else ModbusSocketFramer


def client(framing, host, port, slave, start, count):
    from pymodbus.client import ModbusTcpClient

    c = ModbusTcpClient(host, port=port, framer=framer_of(framing), timeout=3, retries=0)
    if not c.connect():
        print("error: no connection")
        return 1
    try:
        r = c.read_holding_registers(start, count, slave=slave)
    finally:
        c.close()
    if r.isError():
        print("error", r)
        return 1
    print(" ".join(str(v) for v in r.registers))
    return 0


async def server(framing, host, port):
    from pymodbus.server import StartAsyncTcpServer

    values = [0] * 0x1600
    values[0x0A00:0x0A06] = [0x2701, 0x0102, 0x021E, 0x3C4D, 0x1A2B, 0x0003]
    # zero_mode: register N is address N, as on the wire.
    block = ModbusSequentialDataBlock(0, values)
    store = ModbusSlaveContext(hr=block, zero_mode=True)
    context = ModbusServerContext(slaves=store, single=True)
    srv = await StartAsyncTcpServer(context=context, address=(host, port), framer=framer_of(framing),
                                    defer_start=True, allow_reuse_address=True)
    task = asyncio.create_task(srv.serve_forever())
    await srv.serving
    print("ready", flush=True)
    await task


def main(argv):
    if len(argv) >= 5 and argv[1] == "server":
        asyncio.run(server(argv[2], argv[3], int(argv[4])))
        return 0
    if len(argv) == 8 and argv[1] == "client":
        return client(argv[2], argv[3], int(argv[4]), int(argv[5]), int(argv[6], 0), int(argv[7]))
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
