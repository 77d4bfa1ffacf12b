#!/usr/bin/python3
"""Generates the example drawing set, or makes a copy of it runnable.

usage: make_examples.py [OUTDIR]      write the set into OUTDIR (default: beside
                                      this script, i.e. the tracked files)
       make_examples.py --place DIR   fill in the settings file path of the
                                      companion files copied into DIR

The set (see README.md):
  A-1000-Getriebegehaeuse.dxf/.qdx  managed, three sheets, one PDM layout object
                                    per sheet, a Mechanical title border on Blatt3
  A-1001-Lagerdeckel.dxf/.qdx       managed, single record, title block in model space
  Skizze-Halter.dxf                 not managed (no companion file)
  pdm_settings.ini                  the settings file both companion files name

A PDM writes the absolute path of the settings file into each companion file.
The tracked companion files hold the placeholder @EXAMPLE_DIR@ instead, so
that they do not depend on where the repository lies; --place replaces it in
a copy by that copy's absolute folder (scripts/example.sh does this).

Needs Debian's python3-ezdxf for generating (run /usr/bin/python3); --place
needs only Python. Output is byte-identical from run to run.
"""
import glob
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
PLACEHOLDER = "@EXAMPLE_DIR@"
SETTINGS = "pdm_settings.ini"
CONFIG_PATH = PLACEHOLDER + "/" + SETTINGS

MULTI = "A-1000-Getriebegehaeuse"
SINGLE = "A-1001-Lagerdeckel"
UNMANAGED = "Skizze-Halter"

SHEETS = ["Blatt1", "Blatt2", "Blatt3"]

# An ISO 7200 style title block: tag -> label (German, as on the sheet).
TITLE_FIELDS = [
    ("BENENNUNG1", "Benennung"), ("BENENNUNG2", "Benennung 2"),
    ("ZEICHNUNGSNR", "Zeichnungsnummer"), ("DM_TITLE", "PDM-Dokument"),
    ("DM_REVISIONNO", "Index"), ("STATUS", "Status"),
    ("MASSSTAB", "Maßstab"), ("WERKSTOFF", "Werkstoff"),
    ("GEWICHT", "Gewicht"), ("FORMAT", "Format"),
    ("OBERFLAECHE", "Oberfläche"), ("TOLERANZ", "Allgemeintoleranz"),
    ("ERSTELLT", "Erstellt"), ("ERSTELLT_DATUM", "am"),
    ("GEPRUEFT", "Geprüft"), ("GEPRUEFT_DATUM", "am"),
    ("FREIGABE", "Freigegeben"), ("DATUM", "Datum"),
    ("PROJEKT", "Projekt"), ("FIRMA", "Firma"),
    ("PAGE", "Blatt"), ("PAGES", "von"),
]
FIRM = "Muster Antriebstechnik GmbH"

# Title of the Mechanical toolset's title border, with its GEN-TITLE tags.
AM_TITLE_FIELDS = [
    ("GEN-TITLE-DES1", "Benennung"), ("GEN-TITLE-DES2", "Benennung 2"),
    ("GEN-TITLE-NR", "Zeichnungsnummer"), ("GEN-TITLE-REV", "Index"),
    ("GEN-TITLE-SCA", "Maßstab"), ("GEN-TITLE-MAT", "Werkstoff"),
    ("GEN-TITLE-WT", "Gewicht"), ("GEN-TITLE-NAME", "Erstellt"),
    ("GEN-TITLE-CHKM", "Geprüft"), ("GEN-TITLE-DAT", "Datum"),
    ("PAGE", "Blatt"), ("PAGES", "von"),
]

USERS = {"mueller": "Müller", "schroeder": "Schröder", "weiss": "Weiß", "jaeger": "Jäger"}

INI_TEXT = """\
; Einstellungen des PDM-Moduls für AutoCAD
; Gepflegt von der PDM-Administration, Werk Nord. Die PDM-Begleitdatei (.qdx)
; einer Zeichnung nennt diese Datei im Element <config>.
; Zeilen, die mit ; beginnen, sind Kommentare.

[GENERAL]
Version=4
Sprache=DE
Protokoll=0

[TITLE_BLOCK]
; Blocknamen, die als Schriftfeld gelten (* als Platzhalter)
1=SCHRIFTFELD*
2=AMTITLE
;3=DIN_A*_TITEL

[ATTRIBUTE_MAP]
; PDM-Eigenschaft = Attribut-Tags, getrennt durch Leerzeichen, Komma oder Semikolon.
; Ein Tag, das wie eine PDM-Eigenschaft heißt (MASSSTAB, DM_TITLE ...), braucht
; keine Zeile: es erhält die Eigenschaft gleichen Namens in Kleinschreibung.
dm_name = BENENNUNG*, GEN-TITLE-DES1
dm_name2 = BENENNUNG2, GEN-TITLE-DES2
dm_documentno = ZEICHNUNGSNR; GEN-TITLE-NR
dm_revisionno = GEN-TITLE-REV
dm_status = STATUS
massstab = GEN-TITLE-SCA
werkstoff = GEN-TITLE-MAT
gewicht = GEN-TITLE-WT
dm_createdby = ERSTELLT GEN-TITLE-NAME
dm_createdat = ERSTELLT_DATUM
dm_checkedby = GEPRUEFT, GEN-TITLE-CHKM
dm_checkedat = GEPRUEFT_DATUM
dm_releasedby = FREIGABE
dm_releasedat = DATUM, GEN-TITLE-DAT
dm_project = PROJEKT

[ATTRIBUTE_FORMULA]
; Formeln werden gelesen, aber nicht ausgewertet
GEWICHT_KG="%gewicht% kg"
BLATT_TEXT="Blatt %PAGE% von %PAGES%"

[BOMPOS_BLOCK]
1=POSNUMMER*

[BOMPOS_ATTRIBUTE_MAP]
pos = POS
menge = MENGE
dm_partno = SACHNR
benennung = BENENNUNG

[BOMPOS_ATTRIBUTE_FORMULA]
POS_TEXT="%pos%"

[REVISION_BLOCK]
; Änderungstabellen; ihre Attribute heißen DM_REV_LABEL_0, DM_REV_COMMENT_0 ...
1=AENDERUNGSTABELLE

[REVISION_ATTRIBUTE_MAP]
dm_revlabel = INDEX
dm_comment = AENDERUNG

[PLOT]
Geraet=DWG To PDF.pc3
Papier=ISO A3 (420.00 x 297.00 MM)
"""


# ------------------------------------------------------------------ placing

def place(folder):
    """Replace the placeholder in every companion file of `folder` by the
    folder's absolute path, as the PDM would have written it."""
    folder = os.path.abspath(folder)
    try:
        value = folder.replace("&", "&amp;").replace("<", "&lt;").encode("cp1252")
    except UnicodeEncodeError:
        sys.exit("make_examples: the folder %s cannot be written in code page 1252, "
                 "which companion files use; copy the examples to another folder" % folder)
    files = sorted(glob.glob(os.path.join(folder, "*.qdx")))
    if not files:
        sys.exit("make_examples: no companion files (*.qdx) in %s" % folder)
    for path in files:
        with open(path, "rb") as f:
            data = f.read()
        if PLACEHOLDER.encode() not in data:
            sys.exit("make_examples: %s holds no %s placeholder" % (path, PLACEHOLDER))
        with open(path, "wb") as f:
            f.write(data.replace(PLACEHOLDER.encode(), value))
        print("%s: settings file %s" % (os.path.basename(path),
                                        os.path.join(folder, SETTINGS)))


# ------------------------------------------------------------------ drawings

def _setup(doc):
    doc.linetypes.add("CENTER", pattern=[31.75, 19.05, -3.175, 6.35, -3.175],
                      description="Center ____ _ ____ _ ____")
    doc.linetypes.add("HIDDEN", pattern=[9.525, 6.35, -3.175],
                      description="Hidden __ __ __ __")
    for name, color, ltype in [("KONTUR", 7, "Continuous"), ("MITTELLINIE", 1, "CENTER"),
                               ("VERDECKT", 3, "HIDDEN"), ("BEMASSUNG", 4, "Continuous"),
                               ("TEXT", 2, "Continuous"), ("SCHRAFFUR", 8, "Continuous"),
                               ("RAHMEN", 7, "Continuous"), ("SCHRIFTFELD", 7, "Continuous"),
                               ("AM_BOR", 7, "Continuous"), ("VIEWPORTS", 9, "Continuous")]:
        doc.layers.add(name, color=color, linetype=ltype)
    doc.header["$INSUNITS"] = 4  # millimetres


def _frame_block(doc, name="RAHMEN_A3", size=(420.0, 297.0)):
    w, h = size
    blk = doc.blocks.new(name, base_point=(0, 0))
    blk.add_lwpolyline([(0, 0), (w, 0), (w, h), (0, h)], close=True,
                       dxfattribs={"layer": "RAHMEN"})
    blk.add_lwpolyline([(20, 10), (w - 10, 10), (w - 10, h - 10), (20, h - 10)], close=True,
                       dxfattribs={"layer": "RAHMEN", "const_width": 0.5})
    for k in range(1, 8):  # grid marks along the top edge
        x = 20 + k * (w - 30) / 8
        blk.add_line((x, h - 10), (x, h - 5), dxfattribs={"layer": "RAHMEN"})
    return blk


def _revision_block(doc, b):
    widths = [14.0, 96.0, 35.0, 35.0]
    blk = b.define_revision_block(doc, "AENDERUNGSTABELLE", rows=4, widths=widths,
                                  labels={t: "" for t in b.revision_tags(4)},
                                  layer="SCHRIFTFELD")
    x = 0.0
    for head, w in zip(["Index", "Änderung", "Datum", "Name"], widths):
        blk.add_text(head, dxfattribs={"insert": (x + 1.0, 33.5), "height": 2.5,
                                       "layer": "SCHRIFTFELD"})
        x += w
    blk.add_lwpolyline([(0, 32), (180, 32), (180, 38), (0, 38)], close=True,
                       dxfattribs={"layer": "SCHRIFTFELD"})
    return blk


def _title_block(doc, b, name):
    return b.define_title_block(doc, name, [t for t, _ in TITLE_FIELDS],
                                labels=dict(TITLE_FIELDS), defaults={"FIRMA": FIRM},
                                layer="SCHRIFTFELD")


def _arc_corner(x, y):
    """A polyline vertex that starts a 90 degree fillet, turning left."""
    return (x, y, math.tan(math.radians(90) / 4))


def _housing(msp):
    """Front, side and top view of a gearbox housing, with centre lines and
    a few dimensions."""
    k = {"layer": "KONTUR"}
    c = {"layer": "MITTELLINIE"}
    v = {"layer": "VERDECKT"}
    # Front view: feet, body with rounded top corners, two bearing bores.
    msp.add_lwpolyline([(-20, 0, 0), (280, 0, 0), (280, 20, 0), (260, 20, 0),
                        _arc_corner(260, 160), (240, 180, 0), _arc_corner(20, 180),
                        (0, 160, 0), (0, 20, 0), (-20, 20, 0)],
                       format="xyb", close=True, dxfattribs=k)
    for cx, r_seat, r_bore, pcd, holes in [(80, 40, 31, 104, 6), (190, 36, 26, 92, 4)]:
        msp.add_circle((cx, 100), r_seat, dxfattribs=k)
        msp.add_circle((cx, 100), r_bore, dxfattribs=k)
        msp.add_circle((cx, 100), pcd / 2, dxfattribs=c)
        for i in range(holes):
            a = math.radians(90 + 360 * i / holes)
            msp.add_circle((cx + pcd / 2 * math.cos(a), 100 + pcd / 2 * math.sin(a)), 3.4,
                           dxfattribs=k)
        msp.add_line((cx, 40), (cx, 160), dxfattribs=c)
    msp.add_line((-10, 100), (270, 100), dxfattribs=c)
    for x in (-10, 270):  # foot holes, hidden in this view
        msp.add_line((x - 4.5, 0), (x - 4.5, 20), dxfattribs=v)
        msp.add_line((x + 4.5, 0), (x + 4.5, 20), dxfattribs=v)
    # Side view, to the right.
    x0 = 400
    msp.add_lwpolyline([(x0 - 10, 0), (x0 + 150, 0), (x0 + 150, 20), (x0 + 140, 20),
                        (x0 + 140, 180), (x0, 180), (x0, 20), (x0 - 10, 20)],
                       close=True, dxfattribs=k)
    for y in (60, 140):
        msp.add_line((x0, y), (x0 + 140, y), dxfattribs=v)
    msp.add_line((x0 + 70, -10), (x0 + 70, 190), dxfattribs=c)
    msp.add_line((x0 - 20, 100), (x0 + 160, 100), dxfattribs=c)
    # Top view, below the front view.
    y0 = -220
    msp.add_lwpolyline([(-20, y0), (280, y0), (280, y0 + 140), (-20, y0 + 140)],
                       close=True, dxfattribs=k)
    msp.add_lwpolyline([(0, y0 + 10), (260, y0 + 10), (260, y0 + 130), (0, y0 + 130)],
                       close=True, dxfattribs=k)
    for x in (-10, 270):
        for y in (y0 + 20, y0 + 120):
            msp.add_circle((x, y), 4.5, dxfattribs=k)
    msp.add_line((-30, y0 + 70), (290, y0 + 70), dxfattribs=c)
    # Section hatch of the foot in the side view.
    hatch = msp.add_hatch(color=8, dxfattribs={"layer": "SCHRAFFUR"})
    hatch.set_pattern_fill("ANSI31", scale=0.5)
    hatch.paths.add_polyline_path([(x0 - 10, 0), (x0 + 150, 0), (x0 + 150, 20),
                                   (x0 - 10, 20)], is_closed=True)
    for base, p1, p2, angle in [((0, -25), (-20, 0), (280, 0), 0),
                                ((-45, 0), (-20, 0), (20, 180), 90),
                                ((0, 195), (80, 100), (190, 100), 0)]:
        msp.add_linear_dim(base=base, p1=p1, p2=p2, angle=angle,
                           dxfattribs={"layer": "BEMASSUNG"}).render()
    msp.add_text("Nicht bemaßte Radien R3, Gussschrägen 1°", dxfattribs={
        "insert": (0, -260), "height": 5.0, "layer": "TEXT"})


def _sheet(doc, name, view_center, view_height):
    ps = doc.layouts.get(name)
    ps.page_setup(size=(420, 297), margins=(0, 0, 0, 0), units="mm",
                  name="A3", device="DWG To PDF.pc3")
    ps.add_viewport(center=(120, 150), size=(190, 260), view_center_point=view_center,
                    view_height=view_height, dxfattribs={"layer": "VIEWPORTS"})
    return ps


def _multi_sheet(b):
    doc = b.new_drawing("R2018")
    b.set_layouts(doc, SHEETS, active="Blatt1")
    _setup(doc)
    _frame_block(doc)
    _title_block(doc, b, "SCHRIFTFELD_A3")
    _revision_block(doc, b)
    b.define_border_block(doc, "AM_ISO_A3", marker="attdef", tags=("FORMAT",))
    for e in doc.blocks.get("AM_ISO_A3"):
        e.dxf.layer = "AM_BOR"
    b.define_attrib_block(doc, "AM_ISO_TITEL", [t for t, _ in AM_TITLE_FIELDS],
                          labels=dict(AM_TITLE_FIELDS), layer="AM_BOR")
    _housing(doc.modelspace())
    # Viewport 260 high: a view height of 520 is scale 1:2, 130 is 2:1.
    views = {"Blatt1": ((120, -30), 520), "Blatt2": ((480, 90), 520), "Blatt3": ((80, 100), 130)}
    for name in SHEETS:
        _sheet(doc, name, *views[name])
        if name == "Blatt3":
            b.add_border_pair(doc, name, border="AM_ISO_A3", title="AM_ISO_TITEL",
                              title_at=(230, 10))
        else:
            b.insert_block(doc, name, "RAHMEN_A3")
            b.insert_block(doc, name, "SCHRIFTFELD_A3", at=(230, 10))
        b.insert_block(doc, name, "AENDERUNGSTABELLE", at=(230, 66))
    return doc


def _single(b):
    doc = b.new_drawing("R2004")
    b.set_layouts(doc, ["Layout1"], active=b.MODEL)
    _setup(doc)
    _title_block(doc, b, "SCHRIFTFELD_A4")
    _revision_block(doc, b)
    msp = doc.modelspace()
    k = {"layer": "KONTUR"}
    msp.add_circle((0, 0), 60, dxfattribs=k)
    msp.add_circle((0, 0), 40, dxfattribs=k)
    msp.add_circle((0, 0), 25, dxfattribs=k)
    for i in range(6):
        a = math.radians(30 + 60 * i)
        msp.add_circle((52 * math.cos(a), 52 * math.sin(a)), 4.5, dxfattribs=k)
    msp.add_circle((0, 0), 52, dxfattribs={"layer": "MITTELLINIE"})
    msp.add_line((-70, 0), (70, 0), dxfattribs={"layer": "MITTELLINIE"})
    msp.add_line((0, -70), (0, 70), dxfattribs={"layer": "MITTELLINIE"})
    msp.add_diameter_dim(center=(0, 0), radius=60, angle=45,
                         dxfattribs={"layer": "BEMASSUNG"}).render()
    b.insert_block(doc, b.MODEL, "SCHRIFTFELD_A4", at=(-90, -160))
    b.insert_block(doc, b.MODEL, "AENDERUNGSTABELLE", at=(-90, -104))
    ps = doc.layouts.get("Layout1")
    ps.page_setup(size=(297, 210), margins=(0, 0, 0, 0), units="mm", name="A4",
                  device="DWG To PDF.pc3")
    ps.add_viewport(center=(148, 105), size=(270, 190), view_center_point=(0, -50),
                    view_height=300, dxfattribs={"layer": "VIEWPORTS"})
    return doc


def _unmanaged(b):
    doc = b.new_drawing("R2000")
    _setup(doc)
    _title_block(doc, b, "SCHRIFTFELD_A4")
    msp = doc.modelspace()
    k = {"layer": "KONTUR"}
    msp.add_lwpolyline([(0, 0), (120, 0), (120, 10), (10, 10), (10, 80), (0, 80)],
                       close=True, dxfattribs=k)
    msp.add_circle((60, 5), 3.2, dxfattribs=k)
    msp.add_circle((5, 60), 3.2, dxfattribs=k)
    msp.add_text("Skizze: Halter für Näherungsschalter, Maße prüfen", dxfattribs={
        "insert": (0, -15), "height": 3.5, "layer": "TEXT"})
    b.insert_block(doc, b.MODEL, "SCHRIFTFELD_A4", at=(-40, -80))
    return doc


# ------------------------------------------------------------ companion files

def _revisions(b, count):
    history = [
        ("A", "Erstausgabe", "2023-02-14", "mueller"),
        ("B", "Bohrungsabstand Lagersitz geändert", "2023-05-03", "schroeder"),
        ("C", "Größe der Passfedernut angepasst", "2023-09-21", "jaeger"),
        ("D", "Änderung Werkstoff nach Kundenwunsch", "2024-01-10", "mueller"),
        ("E", "Maße der Dichtfläche korrigiert", "2024-04-22", "weiss"),
        ("F", "Ölablassschraube ergänzt, Fußbohrungen Ø9", "2024-06-05", "schroeder"),
    ]
    return [b.revision(n, label, comment, date, USERS[user])
            for n, (label, comment, date, user) in enumerate(history[:count], 1)]


def _common_props():
    return [
        ("dm_createdby", USERS["mueller"]), ("dm_createdat", "2023-02-14"),
        ("dm_checkedby", USERS["schroeder"]), ("dm_checkedat", "2024-06-06"),
        ("dm_releasedby", USERS["weiss"]), ("dm_releasedat", "2024-06-07"),
        ("dm_project", "P-2024-017 Förderband Süd"),
        ("oberflaeche", "Ra 3,2 / lackiert RAL 5015"), ("toleranz", "ISO 2768-mK"),
    ]


def _multi_qdx(b):
    title = "A-1000"
    document = [
        ("dm_title", title), ("dm_documentno", title), ("dm_name", "Getriebegehäuse"),
        ("dm_name2", "Stirnradgetriebe SG-80"), ("dm_revisionno", "6"),
        ("dm_major", "2"), ("dm_minor", "0"), ("dm_vartype", "dm_layout"),
        ("dm_status", "Freigegeben"), ("dm_owner", USERS["mueller"]),
        ("dm_doctype", "Zeichnung"), ("dm_filename", MULTI + ".dwg"),
        ("massstab", "1:2"), ("werkstoff", "EN-GJL-250"), ("gewicht", "18,4 kg"),
        ("format", "A3"), ("dm_kosten", "412,50 €"),
    ] + _common_props()
    sheet_props = {
        "Blatt1": ("Vorderansicht und Draufsicht", "1:2", "A-1000-01"),
        "Blatt2": ("Seitenansicht, Fuß geschnitten", "1:2", "A-1000-02"),
        "Blatt3": ("Einzelheit Lagersitz", "2:1", "A-1000-03"),
    }

    def layout_props(name):
        name2, scale, number = sheet_props[name]
        props = dict([
            ("dm_documentno", number), ("dm_name", "Getriebegehäuse"), ("dm_name2", name2),
            ("dm_revisionno", "6"), ("dm_major", "2"), ("dm_minor", "0"),
            ("dm_vartype", "dm_layout"), ("dm_status", "Freigegeben"),
            ("massstab", scale), ("werkstoff", "EN-GJL-250"), ("gewicht", "18,4 kg"),
            ("format", "A3")] + _common_props())
        return props

    relations = b.layout_relations(title, SHEETS, props=layout_props)
    relations.append(([("dm_title", "T-4711"), ("dm_documentno", "T-4711"),
                       ("dm_name", "Gehäuse-Rohteil"), ("dm_doctype", "Bauteil"),
                       ("dm_revisionno", "3")], None))
    positions = [
        [("pos", "1"), ("menge", "1"), ("dm_partno", "T-4711"), ("benennung", "Gehäuse")],
        [("pos", "2"), ("menge", "1"), ("dm_partno", "T-4712"), ("benennung", "Deckel")],
        [("pos", "3"), ("menge", "12"), ("dm_partno", "N-0815"),
         ("benennung", "Zylinderschraube ISO 4762 M8×25")],
        [("pos", "4"), ("menge", "1"), ("dm_partno", "N-2040"), ("benennung", "Flachdichtung")],
        [("pos", "5"), ("menge", "2"), ("dm_partno", "N-3310"),
         ("benennung", "Radial-Wellendichtring 40×62×7")],
    ]
    return b.qdx_text(
        comment="PDM-Begleitdatei, geschrieben beim Auschecken",
        config=CONFIG_PATH, config_own_line=True,
        settings=[("autocad.updatealltitleblock", "1"), ("autocad.multilayout", "1"),
                  ("autocad.revision.count", "4"), ("autocad.revision.first", "0"),
                  ("autocad.titlebordermode", "0"), ("autocad.saveformat", "2018")],
        document=document, revisions=_revisions(b, 6), relations=relations,
        bomhead=[("dm_title", title), ("dm_name", "Getriebegehäuse"), ("positionen", "5")],
        positions=positions)


def _single_qdx(b):
    document = [
        ("dm_title", "A-1001"), ("dm_documentno", "A-1001"), ("dm_name", "Lagerdeckel"),
        ("dm_name2", "für Getriebegehäuse A-1000"), ("dm_revisionno", "2"),
        ("dm_major", "1"), ("dm_minor", "0"), ("dm_vartype", "dm_variant"),
        ("dm_status", "In Prüfung"), ("dm_owner", USERS["jaeger"]),
        ("dm_doctype", "Zeichnung"), ("dm_filename", SINGLE + ".dwg"),
        ("massstab", "1:1"), ("werkstoff", "S235JR"), ("gewicht", "0,9 kg"),
        ("format", "A4"),
    ] + _common_props()
    return b.qdx_text(
        comment="PDM-Begleitdatei, geschrieben beim Auschecken",
        config=CONFIG_PATH,
        settings=[("autocad.updatealltitleblock", "1"), ("autocad.multilayout", "0"),
                  ("autocad.revision.count", "4"), ("autocad.titlebordermode", "0")],
        document=document, revisions=_revisions(b, 2), relations=[],
        bomhead=[("dm_title", "A-1001"), ("positionen", "0")], positions=[])


def generate(outdir):
    sys.path.insert(0, os.path.join(HERE, os.pardir, "tests", "e2e"))
    import dxfbuild as b  # the drawing builders of the end-to-end tests

    os.makedirs(outdir, exist_ok=True)
    b.write_ini(os.path.join(outdir, SETTINGS), text=INI_TEXT)
    for name, build in [(MULTI, _multi_sheet), (SINGLE, _single), (UNMANAGED, _unmanaged)]:
        b.save(build(b), os.path.join(outdir, name + ".dxf"))
    b.write_qdx(os.path.join(outdir, MULTI + ".qdx"), text=_multi_qdx(b))
    b.write_qdx(os.path.join(outdir, SINGLE + ".qdx"), text=_single_qdx(b))


def main(argv):
    if argv[:1] == ["--place"] and len(argv) == 2:
        place(argv[1])
        return 0
    if len(argv) > 1 or argv[:1] and argv[0].startswith("-"):
        print(__doc__, file=sys.stderr)
        return 2
    generate(argv[0] if argv else HERE)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
