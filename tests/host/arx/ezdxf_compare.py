#!/usr/bin/python3
"""Compares drawings edited by the host with their originals, read by ezdxf.

usage: ezdxf_compare.py EXPECTED_TEXT ORIGINAL EDITED [ORIGINAL EDITED ...]
Prints one line per pair: "ok NAME", "skip NAME (why)" when ezdxf cannot read the original,
or "bad NAME why". Every ATTRIB of the edited drawing must hold EXPECTED_TEXT, and its audit
must find no more errors than the original's.
"""
import os
import sys

import ezdxf


def audit(path):
    doc = ezdxf.readfile(path)
    return doc, len(doc.audit().errors)


def main(expected, pairs):
    for original, edited in pairs:
        name = os.path.basename(original)
        try:
            _, before = audit(original)
        except Exception as e:  # noqa: BLE001 - a reader failure is reported, not raised
            print(f"skip {name} ({type(e).__name__})")
            continue
        try:
            doc, after = audit(edited)
        except Exception as e:  # noqa: BLE001
            print(f"bad {name} unreadable after editing: {e}")
            continue
        # A multi-line attribute keeps its text in the embedded MTEXT (AutoCAD leaves the
        # single-line text empty).
        texts = [a.plain_mtext() if a.has_embedded_mtext_entity else a.dxf.text
                 for layout in doc.layouts for ref in layout.query("INSERT") for a in ref.attribs]
        wrong = [t for t in texts if t != expected]
        if after > before:
            print(f"bad {name} audit errors {before} -> {after}")
        elif wrong:
            print(f"bad {name} attribute texts {wrong[:3]}")
        else:
            print(f"ok {name} {len(texts)}")
    return 0


if __name__ == "__main__":
    args = sys.argv[1:]
    sys.exit(main(args[0], list(zip(args[1::2], args[2::2]))))
