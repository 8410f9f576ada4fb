#!/usr/bin/env python3
"""Writes the hand-made seeds of the CT_String harness into a folder:
   python3 fuzz/make_seeds.py fuzz/corpus

Each seed is a short program in the harness's input form: per operation the
target string (0-2), the opcode (see Program::Step in string_fuzz.cpp) and
its operands, as the harness's Input class reads them. The seeds put texts
at the edges the harness is after: a room filled to its last byte, a lead
byte on it, writes past the buffer, lists, the string's own buffer."""
import os
import struct
import sys

# Input::Char picks these bytes by the low four bits of a byte below 0xC0;
# any other byte is written as 0xC0 followed by the byte itself.
PICK = {'a': 0, 'b': 1, '%': 2, '.': 3, 0x81: 4, 0x9F: 5, 0xE0: 6, 0xEF: 7,
        0x82: 8, 0xA9: 9, 0x80: 10, 0xA0: 11, 0xF0: 12, 0x40: 15}
# Input::Value's character values, picked the same way.
WPICK = [0x0061, 0x0062, 0x4081, 0xA082, 0x0081, 0x00A9, 0xFFA9, 0x002E,
         0x0000, 0x00E0, 0x61EF, 0x0025, 0x009F, 0x4040, 0xFF81, 0x2E9F]


def u16(v):
    return struct.pack('<H', v)


def text(chars):
    """Input::Text: a length (long ones in two bytes), then each byte."""
    n = len(chars)
    out = bytes([n]) if n < 0xF0 else bytes([0xF0 + n // 64, n % 64])
    for c in chars:
        out += bytes([PICK[c]]) if c in PICK else bytes([0xC0, c if isinstance(c, int) else ord(c)])
    return out


def value(w):
    return bytes([WPICK.index(w)]) if w in WPICK else bytes([0xC0]) + u16(w)


def index(i):
    return bytes([i]) if i < 24 else bytes([0x80]) + u16(i)


def pos(i):
    if 0 <= i < 24:
        return bytes([i])
    if i < 0:
        return bytes([0xE0, -i - 1])
    return bytes([0xB0]) + u16(i)


def op(d, code, *parts):
    return bytes([d, code]) + b''.join(parts)


# The operands of TakeText and TakePattern.
def t_text(cs): return bytes([3]) + text(cs)
def t_long(cs): return bytes([2]) + text(cs)
def t_slot(i, off): return bytes([1, i]) + u16(off)
def pat_slot(i): return bytes([1, i])
def pat_text(cs): return bytes([0]) + text(cs)


def write(d, cs):
    """A caller's write that ends at the last byte of the room."""
    return op(d, 28, bytes([0 if len(cs) > 40 else 1]), text(cs), bytes([1]))


seeds = {
 'fill_room_widen': write(0, ['x']*511+[0x81]) + op(0, 9, index(0), value(0x4081)) + op(0,21,index(0)) + op(0,10,value(0x0078),value(0xA082)),
 'full_room_append': write(1, ['y']*512) + op(1, 6, t_text(['z'])) + op(2, 7, bytes([1]), t_text([0x81])) + op(2, 14, bytes([2]), pos(500), pos(30)),
 'lead_last_copy': write(0, ['a']*511+[0xE0]) + op(1, 3, bytes([0])) + op(2, 4, bytes([0])) + op(1, 23, bytes([0])) + op(0, 8, bytes([0, 0]), bytes([7])),
 'reserved_writes': write(0, ['a']*510+['b', 0xE0]) + op(1, 3, bytes([0])) + op(2, 3, bytes([0])) + op(0, 9, index(511), value(0xA082)) + op(1, 10, value(0x00E0), value(0xA082)) + op(2, 10, value(0x0062), value(0x4081)) + op(2, 10, value(0x00E0), value(0x0062)),
 'reserved_replace': write(0, ['a'] * 511 + [0xE0]) + op(0, 10, value(0x00E0), value(0xA082)) + op(0, 21, index(511)),
 'set_char_past': op(0, 0, t_text(list('ab'))) + op(0, 9, index(300), value(0xA082)) + op(0, 9, index(512), value(0x0079)) + op(0, 21, index(300)),
 'replace_char_cut': op(0, 5, t_text(list('file.t.xt'))) + op(0, 10, value(0x002E), value(0x0000)) + op(0, 19) + op(0, 17) + op(0, 9, index(4), value(0x002E)),
 'search_replace': op(1, 5, t_text(list('a%b%%c') + [0x82, '%'])) + op(1, 11, pat_text(['%']), pos(0)) + op(1, 11, pat_text(list('ab')), pos(0)) + op(1, 12, pat_text(['%']), t_text(list('%%'))) + op(1, 13, pat_text(['%']), bytes([0]), bytes([5])),
 'replace_self': op(2, 5, t_text(list('aab') + [0x81])) + op(2, 12, pat_slot(2), t_slot(2, 1)) + op(2, 6, t_slot(2, 0)),
 'mid_long': op(0, 5, t_long(['m']*600)) + op(1, 14, bytes([0]), pos(0), pos(1000)) + op(2, 14, bytes([0]), bytes([0xF0]) + struct.pack('<I', 0xFFFFFFFF), pos(3)) + op(2, 14, bytes([0]), pos(1), bytes([0xF0]) + struct.pack('<I', 0x7FFFFFFF)),
 'list_build': op(0, 15, pat_text(['a'])) + op(0, 15, pat_text(['b', 'c'])) + op(0, 15, pat_text([0x81])) + op(0, 17) + op(0, 17) + op(0, 5, t_text(list('xyz'))) + op(0, 19) + op(0, 20, u16(20)),
 'list_full_room': write(0, ['w']*512) + op(0, 17) + op(0, 15, pat_text(list('more'))) + op(0, 16, bytes([0, 2]), text(['x']), text(['y'])) + op(0, 16, bytes([1]), u16(0)),
 'sizes': op(0, 24, u16(512)) + op(0, 25, u16(600)) + op(1, 26) + op(1, 27, bytes([1]), text(['x', 0x81]), bytes([1])) + op(2, 1, bytes([0]), text(['a', 0x81, 'b'])) + op(2, 22, text(['a', 0x81])),
 'self_ops': op(0, 5, t_text(list('abc'))) + op(0, 6, t_slot(0, 0)) + op(0, 6, t_slot(0, 4)) + op(0, 4, bytes([0])) + op(0, 5, t_slot(0, 2)) + op(0, 15, pat_slot(0)) + op(0, 16, bytes([1]), u16(0)),
}
out = sys.argv[1]
for name, data in seeds.items():
    open(os.path.join(out, name), 'wb').write(data)
print(len(seeds), 'seeds')
