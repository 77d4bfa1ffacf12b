"""Builds the drawings, PDM companion files and settings files that the
end-to-end tests (and the fixture and example generators) feed to cadhost,
and reads the results back, all through ezdxf (Debian's python3-ezdxf, run
with /usr/bin/python3): nothing here passes through the host's own DXF code.
Layouts are named as on the drawing's tabs; "Model" is model space. Equal
calls give byte-identical files.
"""

import difflib
import io
import os
import re
import uuid
from xml.sax.saxutils import escape, quoteattr

import ezdxf
from ezdxf.entities.dxfclass import DXFClass
from ezdxf.entities.dxfentity import DXFTagStorage
from ezdxf.lldxf import const
from ezdxf.lldxf.extendedtags import ExtendedTags
from ezdxf.sections.classes import REQ_R2004, REQUIRED_CLASSES

# Fixed header metadata ($TDCREATE, GUIDs ...) makes reruns byte-identical.
ezdxf.options.write_fixed_meta_data_for_testing = True

MODEL = "Model"
GENOREF_APP = "GENIUS_GENOREF_13"

REV_FIELDS = ("LABEL", "COMMENT", "DATE", "USER")

TITLE_TAGS = (
    "DM_TITLE", "BENENNUNG1", "BENENNUNG2", "ZEICHNUNGSNR", "MASSSTAB",
    "WERKSTOFF", "ERSTELLT", "GEPRUEFT", "DATUM", "PAGE", "PAGES",
)

_DYN_APPS = ("AcDbDynamicBlockTrueName", "AcDbDynamicBlockGUID",
             "AcDbBlockRepETag", "AcDbBlockRepBTag")

# Custom object classes as AutoCAD declares them in CLASSES.
_DYN_CLASSES = (
    ("ACAD_EVALUATION_GRAPH", "AcDbEvalGraph"),
    ("ACDB_DYNAMICBLOCKPURGEPREVENTER_VERSION", "AcDbDynamicBlockPurgePreventer"),
    ("ACDB_BLOCKREPRESENTATION_DATA", "AcDbBlockRepresentationData"),
)


# ------------------------------------------------------------------ drawings

def new_drawing(version="R2018"):
    """A new drawing with the one paper layout "Layout1" (active: Model)."""
    doc = ezdxf.new(version, setup=False)
    doc.header["$DWGCODEPAGE"] = "ANSI_1252"
    doc.header["$TILEMODE"] = 1
    return doc


def set_layouts(doc, names, active=MODEL, taborder=None):
    """Make the paper layouts of doc exactly `names` (at least one), in this
    block-table order: the module's page order. `taborder` is the order of
    the tabs (default: `names`); `active` is the layout open when the drawing
    was saved ("Model": $TILEMODE 1, *Paper_Space stays with the first
    layout). Call it before adding content to the layouts.
    """
    names = list(names)
    order = list(taborder) if taborder is not None else names
    assert sorted(order) == sorted(names) and (active == MODEL or active in names)
    existing = [n for n in doc.layouts.names() if n != MODEL]
    first = existing[0]
    if first != names[0]:
        doc.layouts.rename(first, names[0])
    for name in names[1:]:
        if name not in doc.layouts:
            doc.layouts.new(name)
    for name in existing[1:]:
        if name not in names:
            doc.layouts.delete(name)
    for k, name in enumerate(order, 1):
        doc.layouts.get(name).dxf_layout.dxf.taborder = k
    doc.layouts.set_active_layout(names[0] if active == MODEL else active)
    doc.header["$TILEMODE"] = 1 if active == MODEL else 0
    _order_block_records(doc, names)


def _order_block_records(doc, names):
    # ezdxf appends renamed records at the end of the table; put model space
    # first and the paper layouts in the requested order before any block.
    entries = doc.block_records.entries
    layout_records = [doc.block_records.get(doc.layouts.get(n).block_record_name) for n in names]
    model = doc.block_records.get("*Model_Space")
    first = [model] + layout_records
    rest = [r for r in entries.values() if all(r is not f for f in first)]
    entries.clear()
    for rec in first + rest:
        entries[doc.block_records.key(rec.dxf.name)] = rec


def define_attrib_block(doc, name, tags, defaults=None, columns=4,
                        cell=(45.0, 8.0), labels=None, frame=True, layer="0", widths=None):
    """A block definition with one attribute definition per tag, in a grid of
    `columns` cells of size `cell` (or columns of `widths`), each labelled
    labels.get(tag, tag) (an empty label: none); defaults.get(tag, "-") is
    the default text. Returns the block layout.
    """
    defaults = defaults or {}
    labels = labels or {}
    widths = list(widths) if widths else [cell[0]] * columns
    columns = len(widths)
    xs = [sum(widths[:c]) for c in range(columns + 1)]
    h = cell[1]
    rows = (len(tags) + columns - 1) // columns
    blk = doc.blocks.new(name, base_point=(0, 0))
    if frame:
        total = xs[-1]
        blk.add_lwpolyline([(0, 0), (total, 0), (total, rows * h), (0, rows * h)],
                           close=True, dxfattribs={"layer": layer})
        for r in range(1, rows):
            blk.add_line((0, r * h), (total, r * h), dxfattribs={"layer": layer})
        for c in range(1, columns):
            blk.add_line((xs[c], 0), (xs[c], rows * h), dxfattribs={"layer": layer})
    for k, tag in enumerate(tags):
        col, row = k % columns, rows - 1 - k // columns
        x, y = xs[col], row * h
        label = labels.get(tag, tag)
        if label:
            blk.add_text(label, dxfattribs={
                "insert": (x + 1.0, y + h - 2.5), "height": 1.8, "layer": layer})
        blk.add_attdef(tag, (x + 1.0, y + 1.2), text=defaults.get(tag, "-"),
                       dxfattribs={"height": 2.5, "prompt": label or tag,
                                   "flags": 0, "layer": layer})
    return blk


def define_title_block(doc, name="SCHRIFTFELD", tags=TITLE_TAGS, **kwargs):
    """A title block definition (see define_attrib_block)."""
    return define_attrib_block(doc, name, tags, **kwargs)


def revision_tags(rows=4):
    """Tags of a revision table, row by row: DM_REV_LABEL_0, DM_REV_COMMENT_0 ..."""
    return ["DM_REV_%s_%d" % (f, r) for r in range(rows) for f in REV_FIELDS]


def define_revision_block(doc, name="REVTABLE", rows=4, **kwargs):
    """A revision table definition: one row of four attributes per revision."""
    return define_attrib_block(doc, name, revision_tags(rows), columns=4, **kwargs)


def insert_block(doc, layout_name, block, values=None, at=(0, 0), invisible=False):
    """Insert `block` with its attributes (values[tag] over the defaults) into
    a layout; invisible hides the reference and its attributes (group 60).
    Returns the INSERT."""
    values = values or {}
    blk = doc.blocks.get(block)
    space = doc.modelspace() if layout_name == MODEL else doc.layouts.get(layout_name)
    ins = space.add_blockref(block, at)
    attdefs = {a.dxf.tag: a for a in blk.query("ATTDEF")}
    unknown = set(values) - set(attdefs)
    if unknown:
        raise KeyError("block %s has no attribute %s" % (block, sorted(unknown)))
    ins.add_auto_attribs({t: values.get(t, a.dxf.text) for t, a in attdefs.items()})
    if invisible:
        ins.dxf.invisible = 1
        for att in ins.attribs:
            att.dxf.invisible = 1
    return ins


def _regapp(doc, name):
    if name not in doc.appids:
        doc.appids.new(name)


# ------------------------------------------------- mechanical title borders

def define_border_block(doc, name="AM_BORDER", marker="attdef", tags=("FORMAT",),
                        size=(420.0, 297.0)):
    """A title border definition of the Mechanical toolset, marked as one by an
    invisible attribute definition BORDER_INSERT (marker "attdef"), a text
    BORDER_INSERT ("text") or nothing (None: not a border). `tags` are
    further, visible attribute definitions."""
    w, h = size
    blk = doc.blocks.new(name, base_point=(0, 0))
    blk.add_lwpolyline([(0, 0), (w, 0), (w, h), (0, h)], close=True)
    blk.add_lwpolyline([(20, 10), (w - 10, 10), (w - 10, h - 10), (20, h - 10)], close=True)
    if marker == "attdef":
        blk.add_attdef("BORDER_INSERT", (25, 12), text="", dxfattribs={
            "height": 2.5, "flags": const.ATTRIB_INVISIBLE})
    elif marker == "text":
        blk.add_text("BORDER_INSERT", dxfattribs={"insert": (25, 12), "height": 1.0})
    for k, tag in enumerate(tags):
        blk.add_attdef(tag, (w - 60, h - 8 - 5 * k), text="-", dxfattribs={"height": 3.5})
    return blk


def _genoref(link, role):
    return [(1000, role), (1005, link)]


def add_border_pair(doc, layout_name, border="AM_BORDER", title="AM_TITLE",
                    border_values=None, title_values=None, link=None,
                    title_at=(230, 10)):
    """A border reference and a title reference linked as the Mechanical
    toolset links them: GENIUS_GENOREF_13 xdata with the same 1005 handle
    (default: the border reference's). Returns both INSERTs."""
    b = insert_block(doc, layout_name, border, border_values)
    link = link or b.dxf.handle
    _regapp(doc, GENOREF_APP)
    b.set_xdata(GENOREF_APP, _genoref(link, "BORDER"))
    t = insert_block(doc, layout_name, title, title_values, at=title_at)
    t.set_xdata(GENOREF_APP, _genoref(link, "TITLE"))
    return b, t


def add_lone_border(doc, layout_name, border="AM_BORDER", border_values=None, link=None):
    """A border reference whose 1005 handle no title carries (no partner)."""
    b = insert_block(doc, layout_name, border, border_values)
    _regapp(doc, GENOREF_APP)
    b.set_xdata(GENOREF_APP, _genoref(link or b.dxf.handle, "BORDER"))
    return b


# ------------------------------------------------------------ dynamic blocks

def _tag_object(doc, owner, text):
    """An object ezdxf does not model, stored as raw tags under `owner`."""
    obj = DXFTagStorage.load(ExtendedTags.from_text(text), doc)
    doc.entitydb.add(obj)
    obj.dxf.owner = owner.dxf.handle
    obj.set_reactors([owner.dxf.handle])
    doc.objects.add_object(obj)
    return obj


def _register_dyn_classes(doc):
    for name, cpp in _DYN_CLASSES:
        cls = DXFClass.new(doc=doc)
        cls.update_dxf_attribs({"name": name, "cpp_class_name": cpp,
                                "app_name": "ObjectDBX Classes", "flags": 1153,
                                "was_a_proxy": 0, "is_an_entity": 0})
        doc.classes.register(cls)


def define_dynamic_block(doc, name, tags, representations=2):
    """A dynamic block definition as AutoCAD writes it (true name and GUID
    xdata, ACAD_ENHANCEDBLOCK in the extension dictionary) with anonymous
    representations "*U<n>" that name it in AcDbBlockRepBTag xdata, each
    with the same attribute definitions. Returns the representation names.
    """
    for app in _DYN_APPS:
        _regapp(doc, app)
    _register_dyn_classes(doc)

    def fill(blk, width):
        blk.add_lwpolyline([(0, 0), (width, 0), (width, 20), (0, 20)], close=True)
        for k, tag in enumerate(tags):
            blk.add_attdef(tag, (2, 15 - 5 * k), text="-",
                           dxfattribs={"height": 2.5})

    blk = doc.blocks.new(name, base_point=(0, 0))
    fill(blk, 100.0)
    rec = blk.block_record
    for e in blk:
        e.set_xdata("AcDbBlockRepETag", [(1070, 1), (1071, 1), (1005, e.dxf.handle)])
    guid = "{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, "dxfbuild:" + name)).upper()
    rec.set_xdata("AcDbDynamicBlockTrueName", [(1000, name)])
    rec.set_xdata("AcDbDynamicBlockGUID", [(1000, guid)])
    rec.set_xdata("AcDbBlockRepETag", [(1070, 1), (1071, len(blk))])
    xdict = rec.new_extension_dict().dictionary
    xdict["ACAD_ENHANCEDBLOCK"] = _tag_object(
        doc, xdict, "0\nACAD_EVALUATION_GRAPH\n100\nAcDbEvalGraph\n96\n0\n97\n0\n")
    xdict["AcDbDynamicBlockRoundTripPurgePreventer"] = _tag_object(
        doc, xdict, "0\nACDB_DYNAMICBLOCKPURGEPREVENTER_VERSION\n"
                    "100\nAcDbDynamicBlockPurgePreventer\n70\n1\n")
    reps = []
    for k in range(representations):
        rep = doc.blocks.new_anonymous_block("U")
        fill(rep, 110.0 + 10.0 * k)
        rep.block_record.set_xdata("AcDbBlockRepBTag", [(1070, 1), (1005, rec.dxf.handle)])
        reps.append(rep.name)
    return reps


def insert_dynamic(doc, layout_name, definition, representation=None, values=None):
    """Insert a dynamic block: its representation "*U<n>" (the INSERT's
    AcDbBlockRepresentation data naming the definition), or the definition
    itself when None. Returns the INSERT."""
    if representation is None:
        return insert_block(doc, layout_name, definition, values)
    ins = insert_block(doc, layout_name, representation, values)
    rec = doc.block_records.get(definition)
    xdict = ins.new_extension_dict().dictionary
    rep_dict = xdict.add_new_dict("AcDbBlockRepresentation", hard_owned=True)
    rep_dict["AcDbRepData"] = _tag_object(
        doc, rep_dict, "0\nACDB_BLOCKREPRESENTATION_DATA\n"
                       "100\nAcDbBlockRepresentationData\n70\n1\n340\n%s\n" % rec.dxf.handle)
    cache = rep_dict.add_new_dict("AppDataCache", hard_owned=True)
    cache.add_new_dict("ACAD_ENHANCEDBLOCKDATA", hard_owned=True)
    return ins


# ---------------------------------------------------------------------- xrefs

def add_xref(doc, block_name, stored_path, overlay=False, at=(0, 0)):
    """An external reference block (flags 4, or 12 for an overlay) with the
    path stored verbatim, and a reference to it in model space."""
    flags = const.BLK_XREF | (const.BLK_XREF_OVERLAY if overlay else 0)
    doc.add_xref_def(stored_path, block_name, flags=flags)
    return doc.modelspace().add_blockref(block_name, at)


def write_reference_set(folder, references):
    """Write drawings (DXF whatever the extension) that reference each other:
    references maps a "/"-separated file name under `folder` to the stored
    paths of its xrefs XR_1, XR_2 ...; names that are no key stay missing.
    Returns the written paths in key order."""
    written = []
    for name, refs in references.items():
        doc = new_drawing()
        doc.modelspace().add_text(name, dxfattribs={"insert": (0, -10), "height": 2.5})
        for k, stored in enumerate(refs, 1):
            add_xref(doc, "XR_%d" % k, stored, at=(30.0 * k, 0))
        written.append(save(doc, os.path.join(folder, *name.split("/"))))
    return written


def save(doc, path):
    """Write the drawing to path (folders are created); returns path."""
    _declare_classes(doc)
    stream = io.StringIO()
    doc.write(stream)
    hidden = {e.dxf.handle for e in doc.entitydb.values()
              if e.dxf.hasattr("invisible") and e.dxf.invisible}
    data = doc.encode(_as_autocad_writes(stream.getvalue(), hidden))
    if doc.dxfversion <= const.DXF2004:
        # Characters outside the code page: ezdxf escapes them in lower-case
        # hex (\U+03a9), AutoCAD in upper case (\U+03A9).
        data = re.sub(rb"\\U\+([0-9a-fA-F]{4})", lambda m: b"\\U+" + m.group(1).upper(), data)
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


def _declare_classes(doc):
    # ezdxf declares the classes of the object types in use in set order,
    # which changes with Python's string hashing; declaring them sorted
    # first keeps CLASSES the same from run to run.
    if doc.dxfversion > const.DXF12:
        for name in REQUIRED_CLASSES.get(doc.dxfversion, REQ_R2004):
            doc.classes.add_class(name)
        for name in sorted(doc.entitydb.dxf_types_in_use()):
            doc.classes.add_class(name)


def _as_autocad_writes(text, hidden):
    """Two corrections to ezdxf 0.18's output, so that the files look like
    AutoCAD's: the visibility group 60 of hidden entities, which ezdxf keeps
    but never writes, goes at the end of the AcDbEntity subclass (after
    layer, linetype, colour, lineweight); and an ATTRIB or SEQEND names its
    INSERT as owner (330), not the layout the INSERT lies on."""
    lines = text.split("\n")
    out = []
    handle, kind, in_entity_subclass, owner_seen = None, None, False, False
    insert = None
    for k in range(0, len(lines) - 1, 2):
        code, value = lines[k].strip(), lines[k + 1]
        if code == "0":
            kind, handle, in_entity_subclass, owner_seen = value, None, False, False
            if value == "INSERT":
                insert = None  # known once its handle is read
            elif value not in ("ATTRIB", "SEQEND"):
                insert = False
        elif code == "5" and handle is None:
            handle = value
            if kind == "INSERT":
                insert = handle
        elif code == "330" and not owner_seen:
            owner_seen = True
            if kind in ("ATTRIB", "SEQEND") and insert:
                value = insert
        elif code == "100":
            if in_entity_subclass and handle in hidden:
                out += [" 60", "1"]
            in_entity_subclass = value == "AcDbEntity"
        out += [lines[k], value]
    if len(lines) % 2:
        out.append(lines[-1])
    return "\n".join(out)


# --------------------------------------------------------- companion files

def revision(number, label, comment, date, user):
    """A revision's attributes as a PDM writes them (names the module reads)."""
    return {"dm_revisionno": str(number), "dm_revlabel": label,
            "dm_comment": comment, "dm_statusat": date, "dm_statusby": user}


def layout_relations(title, names, props=None):
    """One PDM layout object per layout name, titled "<title>/<name>", with
    the further properties props(name): (properties, revisions) pairs."""
    result = []
    for name in names:
        p = {"dm_title": "%s/%s" % (title, name)}
        if props:
            p.update(props(name))
        result.append((p, []))
    return result


def _items(props):
    return list(props.items()) if isinstance(props, dict) else list(props)


def _element(name, props, indent, children=None):
    attrs = "".join(" %s=%s" % (k, quoteattr(v)) for k, v in _items(props))
    if not children:
        return ["%s<%s%s/>" % (indent, name, attrs)]
    return ["%s<%s%s>" % (indent, name, attrs)] + children + ["%s</%s>" % (indent, name)]


def _revisions(revs, indent):
    if revs is None:
        return []
    lines = []
    for r in revs:
        lines += _element("revision", r, indent + "  ")
    return ["%s<revisions>" % indent] + lines + ["%s</revisions>" % indent]


def qdx_text(document=None, revisions=None, relations=None, settings=None, config=None,
             bomhead=None, positions=None, comment=None, config_own_line=False):
    """The text of a PDM companion file as a PDM writes it. Property sets are
    dicts or (name, value) lists, written as attributes in order; relations
    are (properties, revisions or None) pairs; config, the settings file
    path, may stand on its own line. Arguments left None leave their element
    out."""
    lines = ['<?xml version="1.0" encoding="ISO-8859-1"?>']
    if comment:
        lines.append("<!-- %s -->" % comment)
    lines.append("<pdm>")
    if config is not None and config_own_line:
        lines += ["  <config>", "    " + escape(config), "  </config>"]
    elif config is not None:
        lines.append("  <config>%s</config>" % escape(config))
    if settings is not None:
        lines += _element("settings", settings, "  ")
    if document is not None:
        lines += _element("document", document, "  ", _revisions(revisions, "    "))
    if relations is not None:
        body = []
        for props, revs in relations:
            body += _element("relation", props, "    ", _revisions(revs, "      "))
        lines += ["  <relations>"] + body + ["  </relations>"]
    if bomhead is not None or positions is not None:
        body = []
        if bomhead is not None:
            body += _element("bomhead", bomhead, "    ")
        if positions is not None:
            body.append("    <positions>")
            for p in positions:
                body += _element("position", p, "      ")
            body.append("    </positions>")
        lines += ["  <bomtable>"] + body + ["  </bomtable>"]
    lines.append("</pdm>")
    return "\n".join(lines) + "\n"


def _write_text(path, text, encoding, newline):
    data = text.replace("\r\n", "\n").replace("\n", newline).encode(encoding)
    folder = os.path.dirname(os.path.abspath(path))
    os.makedirs(folder, exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    return path


def write_qdx(path, text=None, encoding="cp1252", **kwargs):
    """Write a companion file, `text` or qdx_text(**kwargs), CR LF, in the
    PDM's ANSI code page; what the code page cannot hold raises."""
    return _write_text(path, text if text is not None else qdx_text(**kwargs),
                       encoding, "\r\n")


def companion_path(drawing_path):
    """The companion file of a drawing: its extension replaced by .qdx."""
    return os.path.splitext(drawing_path)[0] + ".qdx"


def write_replacements(path, entries):
    """Write a replacements file: (old, new) pairs as "old=new", strings as
    they are."""
    lines = [e if isinstance(e, str) else "%s=%s" % e for e in entries]
    return _write_text(path, "".join(line + "\n" for line in lines), "cp1252", "\r\n")


# ------------------------------------------------------------ settings files

def ini_text(sections):
    """The text of a settings file: (section, entries) pairs, entries a dict
    or a list of (key, value) pairs and raw lines."""
    lines = []
    for name, entries in sections:
        if lines:
            lines.append("")
        lines.append("[%s]" % name)
        for e in _items(entries):
            lines.append(e if isinstance(e, str) else "%s=%s" % e)
    return "\n".join(lines) + "\n"


def write_ini(path, sections=None, text=None):
    """Write a settings file (ini_text, or `text`) in code page 1252, CR LF."""
    return _write_text(path, text if text is not None else ini_text(sections), "cp1252", "\r\n")


# ------------------------------------------------------- managed drawings

def save_managed(doc, path, document=None, revisions=(), relations=(), settings=None,
                 title_blocks=("TB",), revision_blocks=("REVTABLE",), attribute_map=None,
                 qdx_encoding="cp1252"):
    """Save the drawing with its companion file and a settings file
    "<name>_settings.ini" beside it naming the title and revision blocks and
    holding attribute_map ({property: "TAGS"}), as a PDM leaves them for
    cadhost. The document defaults to dm_title P-100. Returns path."""
    path = save(doc, path)
    ini = os.path.splitext(os.path.abspath(path))[0] + "_settings.ini"
    write_ini(ini, [("TITLE_BLOCK", {str(k + 1): n for k, n in enumerate(title_blocks)}),
                    ("ATTRIBUTE_MAP", dict(attribute_map or {})),
                    ("REVISION_BLOCK", {str(k + 1): n for k, n in enumerate(revision_blocks)})])
    write_qdx(companion_path(path), encoding=qdx_encoding, config=ini, settings=settings or {},
              document=document if document is not None else {"dm_title": "P-100"},
              revisions=list(revisions), relations=list(relations))
    return path


# -------------------------------------------------------------------- readers

def read(path_or_doc):
    """An ezdxf document for a path (or the document itself)."""
    if isinstance(path_or_doc, (str, os.PathLike)):
        return ezdxf.readfile(path_or_doc)
    return path_or_doc


def _layout_records(doc):
    by_key = {lay.layout_key: lay for lay in doc.layouts}
    for rec in doc.block_records:
        lay = by_key.get(rec.dxf.handle)
        if lay is not None:
            yield rec, lay


def effective_block_name(doc, insert):
    """A reference's block name; for a dynamic block's representation, the
    definition's true name."""
    name = insert.dxf.name
    rec = doc.block_records.get(name)
    if rec is not None and rec.has_xdata("AcDbBlockRepBTag"):
        handle = next((v for c, v in rec.get_xdata("AcDbBlockRepBTag") if c == 1005), None)
        definition = doc.entitydb.get(handle) if handle else None
        if definition is not None:
            rec = definition
            name = rec.dxf.name
    if rec is not None and name.startswith("*") and rec.has_xdata("AcDbDynamicBlockTrueName"):
        name = rec.get_xdata("AcDbDynamicBlockTrueName")[0].value
    return name


def _unescape(text):
    # \U+XXXX: a character the code page lacks; ezdxf leaves it as is.
    return re.sub(r"\\U\+([0-9A-Fa-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


def dump_attribs(path_or_doc, blocks=None):
    """(layout, BLOCK, n, tag, text) for every attribute of every reference
    on a layout, layouts in block-table order, n counting that block's
    references on that layout; BLOCK is the effective name, `blocks`
    restricts to these names; escapes decoded as the host decodes them."""
    doc = read(path_or_doc)
    wanted = {b.upper() for b in blocks} if blocks else None
    rows = []
    for rec, lay in _layout_records(doc):
        seen = {}
        for ins in lay.query("INSERT"):
            bname = effective_block_name(doc, ins).upper()
            if wanted is not None and bname not in wanted:
                continue
            seen[bname] = seen.get(bname, -1) + 1
            for att in ins.attribs:
                rows.append((lay.name, bname, seen[bname], _unescape(att.dxf.tag),
                             _unescape(att.dxf.text)))
    return rows


def attribs(path_or_doc, layout_name, block, n=0):
    """tag -> text of the n-th reference of `block` on a layout ({} if none)."""
    return {tag: text for lay, b, k, tag, text in dump_attribs(path_or_doc, [block])
            if lay == layout_name and k == n}


def xref_paths(path_or_doc):
    """(block name, stored path, flags) of every xref block, in table order."""
    doc = read(path_or_doc)
    out = []
    for rec in doc.block_records:
        blk = doc.blocks.get(rec.dxf.name)
        flags = blk.block.dxf.flags
        if flags & const.BLK_XREF:
            out.append((rec.dxf.name, _unescape(blk.block.dxf.get("xref_path", "")), flags))
    return out


def raw_tags(path):
    """The (code, value) pairs of a DXF file as written (UTF-8 from R2007,
    code page 1252 before)."""
    with open(path, "rb") as f:
        data = f.read()
    old = any(v in data[:4096] for v in (b"AC1015", b"AC1018"))
    text = data.decode("cp1252" if old else "utf-8", errors="surrogateescape")
    lines = [line[:-1] if line.endswith("\r") else line for line in text.split("\n")]
    if lines and lines[-1] == "":
        lines.pop()
    return [(int(c), v) for c, v in zip(lines[0::2], lines[1::2])]


def tag_changes(before, after):
    """How a DXF file changed: [(index in `before`, old tags, new tags)]."""
    a, b = raw_tags(before), raw_tags(after)
    matcher = difflib.SequenceMatcher(None, a, b, autojunk=False)
    return [(i1, a[i1:i2], b[j1:j2])
            for op, i1, i2, j1, j2 in matcher.get_opcodes() if op != "equal"]


def audit_problems(path):
    """ezdxf's audit errors and fixes for a DXF file; [] for a clean one."""
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    return (["error %s: %s" % (e.code, e.message) for e in auditor.errors]
            + ["fix %s: %s" % (f.code, f.message) for f in auditor.fixes])
