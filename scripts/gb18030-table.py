#!/usr/bin/env python3
"""Prints the table of GB18030's four-byte forms of the basic plane that src/text/gb18030.cpp holds,
read from glibc's iconv: runs of code points whose linear four-byte codes follow on one another.
Windows has no converter of its own for it under every system we test on, so the program carries it."""
import ctypes

libc = ctypes.CDLL(None)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
descriptor = libc.iconv_open(b"GB18030", b"UTF-8")


def encode(code):
    utf8 = chr(code).encode("utf-8")
    source = ctypes.create_string_buffer(utf8, len(utf8))
    target = ctypes.create_string_buffer(16)
    source_pointer = ctypes.c_void_p(ctypes.addressof(source))
    target_pointer = ctypes.c_void_p(ctypes.addressof(target))
    source_left, target_left = ctypes.c_size_t(len(utf8)), ctypes.c_size_t(16)
    libc.iconv(descriptor, None, None, None, None)
    if libc.iconv(descriptor, ctypes.byref(source_pointer), ctypes.byref(source_left),
                  ctypes.byref(target_pointer), ctypes.byref(target_left)) == ctypes.c_size_t(-1).value:
        return None
    return target.raw[:16 - target_left.value]


runs = []
for code in range(0x80, 0x10000):
    if 0xD800 <= code <= 0xDFFF:
        continue
    form = encode(code)
    if form is None or len(form) != 4:
        continue
    linear = (((form[0] - 0x81) * 10 + (form[1] - 0x30)) * 126 + (form[2] - 0x81)) * 10 + (form[3] - 0x30)
    if runs and runs[-1][0] + runs[-1][2] == code and runs[-1][1] + runs[-1][2] == linear:
        runs[-1][2] += 1
    else:
        runs.append([code, linear, 1])

cells = ["{0x%04X, %d, %d}," % tuple(run) for run in runs]
for start in range(0, len(cells), 4):
    print("    " + " ".join(cells[start:start + 4]))
