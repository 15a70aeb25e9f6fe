#!/usr/bin/env bash
# Packs the build tree it runs in (no second build), unpacks the package into an empty root and
# runs the programs from there.
#   install_test.sh CPACK BUILD_DIR VERSION
set -euo pipefail
cpack=$1
build=$2
version=$3

# Every run has its own folder, so it runs beside the other tests and beside another run.
work=$(mktemp -d "${TMPDIR:-/tmp}/doravent-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack did not make the package"
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, got: ${debs[*]:-none}"
deb=${debs[0]}
case "$(basename "$deb")" in
  "doravent_${version}_$(dpkg --print-architecture).deb") ;;
  *) fail "package file $(basename "$deb") is not doravent_${version}_<arch>.deb" ;;
esac

info=$(dpkg -I "$deb")
field() { sed -n "s/^ $1: //p" <<<"$info"; }
[ "$(field Package)" = doravent ] || fail "Package field: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version field '$(field Version)' is not $version"
depends=$(field Depends)
# Read from what the programs link: the C library, Qt's widgets and the JPEG coder at least.
for p in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libturbojpeg0; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
# The kit's library is opened when present, so it is never required.
if grep -q phidget <<<"$depends"; then fail "Depends requires the kit library: $depends"; fi
[ "$(field Suggests)" = libphidget22 ] || fail "Suggests field: $(field Suggests)"

# Exactly these files, so no test, benchmark or library of the build slips in.
files=$(dpkg -c "$deb" | awk '$1 ~ /^-/ {print $1, $2, $6}' | sort)
expected="-rw-r--r-- root/root ./usr/share/applications/doravent.desktop
-rw-r--r-- root/root ./usr/share/icons/hicolor/scalable/apps/doravent.svg
-rw-r--r-- root/root ./usr/share/mime/packages/doravent-qn3.xml
-rwxr-xr-x root/root ./usr/bin/doravent
-rwxr-xr-x root/root ./usr/bin/doravent-qn3
-rwxr-xr-x root/root ./usr/bin/doravent-trace"
[ "$files" = "$(sort <<<"$expected")" ] || fail "package files:
$files
expected:
$expected"

root="$work/root"
dpkg -x "$deb" "$root"
for program in doravent doravent-qn3 doravent-trace; do
  elf="$root/usr/bin/$program"
  # A path into the build tree would let the programs run here and nowhere else.
  if readelf -d "$elf" | grep -Eq "RPATH|RUNPATH"; then fail "$program carries a library path"; fi
  if readelf -S "$elf" | grep -q "\.debug_info"; then fail "$program is not stripped"; fi
done

# The desktop entry starts the installed program, shows the installed icon and names the MIME
# type the package declares for recordings.
desktop="$root/usr/share/applications/doravent.desktop"
mime_type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$root/usr/share/mime/packages/doravent-qn3.xml")
[ -n "$mime_type" ] || fail "the MIME file declares no type"
grep -q '<glob pattern="\*\.qn3"/>' "$root/usr/share/mime/packages/doravent-qn3.xml" || fail "no *.qn3 glob"
grep -qx "MimeType=$mime_type;" "$desktop" || fail "desktop entry does not name $mime_type"
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/usr/bin/$exec_program" ] || fail "desktop entry starts '$exec_program', which is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "desktop entry's icon '$icon' is not installed"

# The installed programs, run from the unpacked root with the system's libraries alone.
export QT_QPA_PLATFORM=offscreen
export XDG_DATA_HOME="$work/data"
unset LD_LIBRARY_PATH
out=$("$root/usr/bin/doravent" --version) || fail "doravent --version ended with status $?"
[ "$out" = "Doravent_HDMI $version" ] || fail "doravent --version printed '$out'"
out=$("$root/usr/bin/doravent-qn3" --help) || fail "doravent-qn3 --help ended with status $?"
grep -q "^usage: doravent-qn3 info FILE" <<<"$out" || fail "doravent-qn3 --help printed '$out'"
# Real work: a demo heat made and checked by the installed tool.
"$root/usr/bin/doravent-qn3" demo "$work/heat.qn3" >"$work/demo.log" 2>&1 ||
  fail "doravent-qn3 demo failed: $(cat "$work/demo.log")"
"$root/usr/bin/doravent-qn3" verify "$work/heat.qn3" >"$work/verify.log" 2>&1 ||
  fail "doravent-qn3 verify failed: $(cat "$work/verify.log")"
echo "package $(basename "$deb") installs and runs"
