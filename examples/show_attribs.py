#!/usr/bin/python3
"""Shows the attributes of the block references on each layout of a drawing.

usage: show_attribs.py DRAWING.dxf              every attribute, layout by layout
       show_attribs.py DRAWING.dxf BEFORE.bak   what changed since BEFORE (the
                                                backup kept by the save)

Layouts come in block-table order, which is the order in which the module
numbers pages; references in drawing order. References linked as a title
border of the Mechanical toolset (GENIUS_GENOREF_13 data) are marked.
Reads with ezdxf: run with Debian's /usr/bin/python3.
"""
import re
import sys

import ezdxf

GENOREF = "GENIUS_GENOREF_13"


def unescape(text):
    """Texts of drawings before R2007 hold \\U+XXXX for characters their code
    page lacks; ezdxf leaves them as they are."""
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def block_name(doc, insert):
    """The block name, a dynamic block's anonymous representation resolved."""
    rec = doc.block_records.get(insert.dxf.name)
    if rec is not None and rec.has_xdata("AcDbBlockRepBTag"):
        handle = next((v for c, v in rec.get_xdata("AcDbBlockRepBTag") if c == 1005), None)
        definition = doc.entitydb.get(handle) if handle else None
        if definition is not None:
            return definition.dxf.name
    return insert.dxf.name


def collect(path):
    """(header line, {(layout, block, n): (mark, [(tag, text), ...])}) of a drawing."""
    doc = ezdxf.readfile(path)
    by_key = {lay.layout_key: lay for lay in doc.layouts}
    layouts = [by_key[r.dxf.handle] for r in doc.block_records if r.dxf.handle in by_key]
    paper = [lay.name for lay in layouts if lay.name != "Model"]
    active = "Model" if doc.header.get("$TILEMODE", 1) == 1 else doc.layouts.active_layout().name
    header = "active layout: %s; paper layouts in page order: %s" % (active, ", ".join(paper))
    refs = {}
    for lay in layouts:
        seen = {}
        for ins in lay.query("INSERT"):
            if not ins.attribs:
                continue
            name = block_name(doc, ins)
            n = seen[name] = seen.get(name, 0) + 1
            mark = ""
            if ins.has_xdata(GENOREF):
                link = [v for c, v in ins.get_xdata(GENOREF) if c == 1005]
                mark = "  [Mechanical link %s]" % (link[0] if link else "?")
            if ins.dxf.invisible:
                mark += "  [invisible]"
            refs[(lay.name, name, n)] = (mark, [(unescape(a.dxf.tag), unescape(a.dxf.text))
                                                for a in ins.attribs])
    return header, refs


def show(path):
    header, refs = collect(path)
    print("%s  (%s)" % (path, header))
    for (layout, name, n), (mark, attribs) in refs.items():
        print("%s  %s #%d%s" % (layout, name, n, mark))
        for tag, text in attribs:
            print("    %-18s %s" % (tag, text or '""'))


def show_changes(path, before):
    header, refs = collect(path)
    _, old_refs = collect(before)
    print("%s  (%s)" % (path, header))
    print("changes against %s:" % before)
    changed = 0
    for key in list(refs) + [k for k in old_refs if k not in refs]:
        layout, name, n = key
        mark, attribs = refs.get(key, ("", []))
        old = dict(old_refs.get(key, ("", []))[1])
        new = dict(attribs)
        lines, same = [], []
        for tag in list(new) + [t for t in old if t not in new]:
            if tag not in old:
                lines.append("    %-18s (new) %s" % (tag, new[tag]))
            elif tag not in new:
                lines.append("    %-18s (gone) %s" % (tag, old[tag]))
            elif old[tag] != new[tag]:
                lines.append("    %-18s %s  ->  %s" % (tag, old[tag] or '""', new[tag] or '""'))
            else:
                same.append(tag)
        if not lines:
            continue
        changed += len(lines)
        print("%s  %s #%d%s" % (layout, name, n, mark))
        print("\n".join(lines))
        if same:
            print("    unchanged: %s" % " ".join(same))
    if not changed:
        print("    no attribute changed")


def main(argv):
    if len(argv) not in (1, 2) or argv[0].startswith("-"):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        if len(argv) == 1:
            show(argv[0])
        else:
            show_changes(argv[0], argv[1])
    except (IOError, ezdxf.DXFError) as e:
        print("show_attribs: %s" % e, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
