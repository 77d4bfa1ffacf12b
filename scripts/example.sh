#!/usr/bin/env bash
# Runs the main job on the bundled example drawing set: builds the project,
# copies examples/ to a fresh folder under out/, opens the drawings there in
# cadhost (the module updates the managed ones on load and cadhost saves them,
# keeping NAME.bak) and shows what changed. The tracked files are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
python=/usr/bin/python3   # Debian's python, the one with python3-ezdxf

bash scripts/build.sh

cadhost=$root/build/bin/cadhost
if [ ! -x "$cadhost" ]; then
    echo "example: build/bin/cadhost was not built: the headless host program is not" >&2
    echo "         part of the tree yet, so the main job cannot run. Nothing was run." >&2
    exit 1
fi
if [ ! -f "$root/build/bin/brakon.so" ]; then
    echo "example: build/bin/brakon.so was not built: the module is not part of the" >&2
    echo "         tree yet, so the main job cannot run. Nothing was run." >&2
    exit 1
fi

stamp=$(date +%Y%m%d-%H%M%S)
dest=$root/out/example-$stamp
n=1
while [ -e "$dest" ]; do
    n=$((n + 1))
    dest=$root/out/example-$stamp-$n
done
mkdir -p "$dest"
cp examples/*.dxf examples/*.qdx examples/*.ini "$dest/"
# The tracked companion files name the settings file through a placeholder;
# the copies get this folder's absolute path, as a PDM would write it.
"$python" examples/make_examples.py --place "$dest" >/dev/null

drawings=()
for f in "$dest"/*.dxf; do
    drawings+=("$f")
done

echo
echo "== cadhost open (command line output of the module):"
set +e
(cd "$dest" && "$cadhost" open "${drawings[@]}")
status=$?
set -e
echo "== cadhost exit status: $status"
echo

echo "== Results in ${dest#"$root"/}:"
for f in "${drawings[@]}"; do
    name=$(basename "$f")
    bak=${f%.dxf}.bak
    if cmp -s "$f" "examples/$name"; then
        echo "   $name: unchanged (not managed, or nothing to write)"
    elif [ -f "$bak" ]; then
        echo "   $name: updated; the previous version is kept as $(basename "$bak")"
    else
        echo "   $name: changed, but no backup $(basename "$bak") was kept"
    fi
done

for f in "${drawings[@]}"; do
    bak=${f%.dxf}.bak
    if [ -f "$bak" ] && ! cmp -s "$f" "$bak"; then
        echo
        "$python" examples/show_attribs.py "${f#"$root"/}" "${bak#"$root"/}" || true
    fi
done

# examples/expected/ holds every attribute as the job should leave it.
echo
echo "== Against the expected result (examples/expected/):"
mismatch=0
actual=$(mktemp)
trap 'rm -f "$actual"' EXIT
for f in "${drawings[@]}"; do
    name=$(basename "$f" .dxf)
    if ! "$python" examples/show_attribs.py "$f" >"$actual"; then
        mismatch=1
        echo "   $name.dxf: cannot be read back with ezdxf (see above)"
        continue
    fi
    sed -i 1d "$actual"  # the line naming the file
    if diff -q "examples/expected/$name.txt" "$actual" >/dev/null; then
        echo "   $name.dxf: as expected"
    else
        mismatch=1
        echo "   $name.dxf: DIFFERS from the expected result (- expected, + found):"
        diff -u "examples/expected/$name.txt" "$actual" | tail -n +3 | sed 's/^/      /' || true
    fi
done

cat <<EOF

== Look further:
   every attribute of a drawing:   $python examples/show_attribs.py ${dest#"$root"/}/A-1000-Getriebegehaeuse.dxf
   what a save changed:            $python examples/show_attribs.py ${dest#"$root"/}/A-1000-Getriebegehaeuse.dxf ${dest#"$root"/}/A-1000-Getriebegehaeuse.bak
   what to expect, and why:        examples/README.md
EOF
if [ "$status" -eq 0 ] && [ "$mismatch" -ne 0 ]; then
    status=1
fi
exit "$status"
