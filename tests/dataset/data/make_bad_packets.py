#!/usr/bin/env python3
"""Writes the damaged data-packet files that tst_datapacket loads (run once; the files are committed).

The layout is the one of docs/data-packet.md: a 24-byte header (magic, version, flags, payload size,
CRC-32 of the payload) followed by the schema and the rows.
"""
import struct
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent


def column(kind, name, size=0, flags=0):
    raw = name.encode()
    return struct.pack('<BBIH', kind, flags, size, len(raw)) + raw


def text(s):
    raw = s.encode()
    return b'\x01' + struct.pack('<I', len(raw)) + raw


def payload(columns, rows, row_count=None):
    out = struct.pack('<H', len(columns)) + b''.join(columns)
    out += struct.pack('<I', len(rows) if row_count is None else row_count)
    return out + b''.join(rows)


def packet(body, version=1, crc=None, size=None):
    header = b'QUORINDP' + struct.pack('<HHQI', version, 0, len(body) if size is None else size,
                                       zlib.crc32(body) if crc is None else crc)
    return header + body


LOT_COLUMNS = [column(1, 'nro_lote'), column(4, 'des_lote', 100)]
GOOD_ROWS = [b'\x01' + struct.pack('<h', 1) + text('MATERIAL DE EXPEDIENTE'),
             b'\x01' + struct.pack('<h', 2) + b'\x02']
good = payload(LOT_COLUMNS, GOOD_ROWS)

files = {
    'empty.KPZ': b'',
    'wrong_magic.KPZ': b'PK\x03\x04' + b'\x00' * 40,
    'newer_version.KPZ': packet(good, version=2),
    'flipped_checksum.KPZ': packet(good, crc=zlib.crc32(good) ^ 0x00010000),
    'absurd_payload_length.KPZ': packet(good, size=0xFFFFFFFFFFFF),
    'absurd_text_length.KPZ': packet(payload(LOT_COLUMNS, [b'\x01' + struct.pack('<h', 1) + b'\x01' +
                                                           struct.pack('<I', 0xFFFFFFF0) + b'abc'])),
    'absurd_row_count.KPZ': packet(payload(LOT_COLUMNS, GOOD_ROWS, row_count=0xFFFFFFFF)),
    'absurd_field_count.KPZ': packet(struct.pack('<H', 0xFFFF) + b'\x00' * 16),
    'repeat_in_first_row.KPZ': packet(payload(LOT_COLUMNS, [b'\x02\x02'])),
    'missing_field.KPZ': packet(good),
}
for name, data in files.items():
    (HERE / name).write_bytes(data)
