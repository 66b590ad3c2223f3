#!/bin/bash
# The Debian package, built from this build tree and unpacked into a scratch root, works from
# there: both programs answer, a batch reads the delivered reporting options from
# ../share/orvantis, the desktop entry, the metainfo and the manual pages pass Debian's own
# checkers, the manual pages list every command's options, and the bash completion offers
# commands, options, parameter short names and files. Lintian finds no error.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" > /dev/null || fail "$1 is missing (Debian package $2; make test installs it)"; }
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need man man-db

cpack --config "$build/CPackConfig.cmake" -B "$work/pkg" > "$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb=$work/pkg/orvantis_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/pkg")"
root=$work/root
dpkg-deb -x "$deb" "$root"

app=org.orvantis.Orvantis
for f in usr/bin/orvantis usr/bin/orvantis-cli usr/share/orvantis/ORVTVOF.ini \
         usr/share/orvantis/examples/serial_chain.txt usr/share/applications/$app.desktop \
         usr/share/icons/hicolor/scalable/apps/$app.svg usr/share/metainfo/$app.metainfo.xml \
         usr/share/mime/packages/$app.xml usr/share/man/man1/orvantis.1.gz usr/share/man/man1/orvantis-cli.1.gz \
         usr/share/bash-completion/completions/orvantis-cli usr/share/doc/orvantis/copyright; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
done

cli=$root/usr/bin/orvantis-cli
[ "$("$cli" --version)" = "orvantis-cli 2.4" ] || fail "orvantis-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/orvantis" --version)" = "orvantis 2.4" ] || fail "orvantis --version"

# A batch from the scratch root, no user options: the delivered file is found, and its results are
# those of the same file named with --options.
export XDG_CONFIG_HOME=$work/config HOME=$work/home
batch=(batch "$root/usr/share/orvantis/examples/serial_chain.txt" --periods 50 --warmup 10 --seed 1 --trials 2
       --row "BSLevel@1=10:20:5" --timestamp T --jobs 1)
"$cli" "${batch[@]}" > "$work/installed.txt" 2> "$work/installed.err"
[ ! -s "$work/installed.err" ] || fail "batch from the package: $(cat "$work/installed.err")"
"$cli" "${batch[@]}" --options "$source/batch/ORVTVOF.ini" > "$work/named.txt"
cmp -s "$work/installed.txt" "$work/named.txt" || fail "the installed batch's results differ from the delivered options'"
mv "$root/usr/share/orvantis/ORVTVOF.ini" "$work/"
"$cli" "${batch[@]}" > /dev/null 2> "$work/missing.err"
grep -q "not installed completely" "$work/missing.err" || fail "a package without ORVTVOF.ini goes unnoticed"
mv "$work/ORVTVOF.ini" "$root/usr/share/orvantis/"

desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" > "$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log"; fail "appstreamcli validate"; }

# Each page renders without complaint and names every option of its program and of each command.
for program in orvantis orvantis-cli; do
    page=$root/usr/share/man/man1/$program.1.gz
    LC_ALL=C MANWIDTH=200 man --no-hyphenation --no-justification -l "$page" > "$work/$program.txt" 2> "$work/man.err" ||
        fail "man -l $page"
    [ ! -s "$work/man.err" ] || fail "man -l $page: $(cat "$work/man.err")"
    commands=$("$root/usr/bin/$program" --help | awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1; next } on { exit }')
    for command in "" $commands; do
        # shellcheck disable=SC2086  # no command: the program's own help
        for option in $(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" $command --help |
                        awk '/^  -/ { split($1, n, ","); for (i in n) print n[i] }'); do
            grep -qe "$option" "$work/$program.txt" || fail "the page of $program lacks $command $option"
        done
    done
done

# Completion: the words offered for the line typed so far ("^" is the cursor at its end).
complete_line() {
    PATH=$root/usr/bin:$PATH bash -c '
        source "$1"
        COMP_LINE=$2 COMP_POINT=${#2}
        read -ra COMP_WORDS <<< "$2"
        [[ $2 == *" " ]] && COMP_WORDS+=("")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _orvantis_cli
        if ((${#COMPREPLY[@]})); then printf "%s\n" "${COMPREPLY[@]}"; fi' _ "$root/usr/share/bash-completion/completions/orvantis-cli" "$1"
}
mkdir "$work/cwd" && touch "$work/cwd/net.orv" "$work/cwd/rows.txt"
cd "$work/cwd"
while IFS='|' read -r line expected; do
    got=$(complete_line "$line" | sort | tr '\n' ' ')
    [ "$got" = "$expected" ] || fail "completing '$line': expected '$expected', got '$got'"
done <<'CASES'
orvantis-cli b|batch 
orvantis-cli --v|--version 
orvantis-cli run --st|--stats --stats-csv --strict 
orvantis-cli batch net.orv --ro|--row 
orvantis-cli batch net.orv --row BSL|BSLevel@ 
orvantis-cli batch net.orv --row n|none 
orvantis-cli batch net.orv --values r|rows.txt 
orvantis-cli run --periods |
orvantis-cli check n|net.orv 
CASES
cd - > /dev/null

if command -v lintian > /dev/null; then
    lintian --fail-on error "$deb" 2> /dev/null || fail "lintian finds errors"
fi
echo "package test: $(basename "$deb"), $(stat -c %s "$deb") bytes"
