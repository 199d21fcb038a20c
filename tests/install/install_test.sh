#!/usr/bin/env bash
# install_test.sh BUILD-DIR CMAKE: installs the build into a temporary
# prefix and checks the installed tree as a user's desktop would use it.
set -euo pipefail
build=$1
cmake=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

for f in bin/quillorn bin/q417 lib/libsonavel.so lib/libq417io.so lib/libquillorn-wavegain.so include/sonavel.h \
         lib/pkgconfig/sonavel.pc share/quillorn/Q417.ini share/quillorn/Q417.html \
         share/applications/quillorn.desktop share/mime/packages/quillorn.xml \
         share/icons/hicolor/scalable/apps/quillorn.svg share/icons/hicolor/48x48/apps/quillorn.png \
         share/icons/hicolor/256x256/apps/quillorn.png share/man/man1/q417.1 \
         share/bash-completion/completions/q417; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done

desktop-file-validate "$prefix/share/applications/quillorn.desktop" || fail "desktop-file-validate"

# Only the installed tree: no build folder, no source folder, no user files.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/data XDG_CONFIG_DIRS=$work/etc
export XDG_RUNTIME_DIR=$work/run QUILLORN_INSTANCE=$work/run/Q417 QUILLORN_AUDIO=none
export XDG_DATA_DIRS=$XDG_DATA_HOME
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_DATA_HOME"
chmod 700 "$XDG_RUNTIME_DIR"
unset QUILLORN_SOURCE_DIR Q417_IMAGE Q417IO_FAULTS

q417=$prefix/bin/q417
"$q417" --help | grep -q "sync" || fail "q417 --help"
grep -q "libsonavel.so => $prefix" <(ldd "$prefix/bin/quillorn") || fail "quillorn does not use the installed libsonavel.so"

# The texts come from share/quillorn under this prefix: a message of the INI.
img=$work/chip.img
"$q417" mkimage "$img" --blocks 1024 >/dev/null
"$q417" --image "$img" format --yes >/dev/null 2>&1 || fail "q417 format"
head -c 300000 /dev/urandom >"$work/a.bin"
"$q417" --image "$img" put 1 "$work/a.bin" >/dev/null 2>&1 || fail "q417 put"
first=$("$q417" --image "$img" ls --json | sed -n 's/.*"first_block": \([0-9]*\).*/\1/p')
out=$(Q417IO_FAULTS=damaged-read=$((first + 1)):100 "$q417" --image "$img" get 1 1 -o "$work" 2>&1) && fail "a damaged copy succeeded"
grep -q "cannot be read" <<<"$out" || fail "q417 does not find its texts: $out"

# The program starts from the prefix and paints its window.
out=$(timeout 60 "$prefix/bin/quillorn" --startup-probe 2>&1) || fail "quillorn did not start: $out"
grep -q "^shown" <<<"$out" || fail "quillorn showed no window: $out"

# The voice file type: by its magic without an ending, by ".dvg" in either
# case; Quillorn is its default application.
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications"
cp "$prefix/share/mime/packages/quillorn.xml" "$XDG_DATA_HOME/mime/packages/"
update-mime-database "$XDG_DATA_HOME/mime"
cp "$prefix/share/applications/quillorn.desktop" "$XDG_DATA_HOME/applications/"
update-desktop-database "$XDG_DATA_HOME/applications"
sox -n -r 8000 -c 1 -b 16 "$work/tone.wav" synth 1 sine 440 || fail "sox"
"$q417" encode "$work/tone.wav" "$work/tone.dvg" >/dev/null 2>&1 || fail "q417 encode"
cp "$work/tone.dvg" "$work/voice-without-ending"
cp "$work/tone.dvg" "$work/LOUD.DVG"
printf 'not a voice file' >"$work/plain"
for f in voice-without-ending LOUD.DVG tone.dvg; do
  type=$(xdg-mime query filetype "$work/$f")
  [ "$type" = audio/x-q417-voice ] || fail "$f resolves to $type"
done
type=$(xdg-mime query filetype "$work/plain")
[ "$type" != audio/x-q417-voice ] || fail "a plain file resolves to the voice type"
app=$(xdg-mime query default audio/x-q417-voice)
[ "$app" = quillorn.desktop ] || fail "the default application is '$app'"
echo "installed tree OK"
