#!/usr/bin/python3
"""Reads a DXF file with ezdxf (an independent reader) and prints what the drawing database
tests compare: the audit result, layouts, block references with their attributes, xref
blocks, registered applications and the extended data of block references.

usage: ezdxf_dump.py FILE.dxf  (exit status 2 when ezdxf cannot read the file)
"""
import sys

import ezdxf


def main(path):
    try:
        doc = ezdxf.readfile(path)
    except Exception as e:  # noqa: BLE001 - any reader failure is the answer
        print(f"unreadable {type(e).__name__}: {e}")
        return 2
    auditor = doc.audit()
    print(f"audit errors={len(auditor.errors)} fixes={len(auditor.fixes)}")
    for e in auditor.errors:
        print(f"  error {e.code} {e.message}")
    for layout in doc.layouts:
        print(f"layout {layout.name} block={layout.block_record.dxf.name}")
    for layout in doc.layouts:
        for ref in layout.query("INSERT"):
            attribs = ";".join(f"{a.dxf.tag}={a.dxf.text}" for a in ref.attribs)
            hidden = " invisible" if ref.dxf.get("invisible", 0) else ""
            print(f"insert {layout.name}/{ref.dxf.name} [{attribs}]{hidden}")
            for app in sorted(ref.xdata.data.keys() if ref.xdata else []):
                values = " ".join(f"{t.code}:{t.value}" for t in ref.get_xdata(app))
                print(f"xdata {ref.dxf.name} {app} {values}")
    for block in doc.blocks:
        if block.block.dxf.flags & 4:
            print(f"xref {block.name} {block.block.dxf.xref_path} flags={block.block.dxf.flags}")
    print("appids " + " ".join(sorted(a.dxf.name for a in doc.appids)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
