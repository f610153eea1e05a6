#!/usr/bin/env bash
# Checks the Debian packages that make deb built (build/deb/*.deb): unpacks
# the amd64 one into a scratch root (dpkg -x) and runs its engine there, reads
# its manual page and xboard plug-in file, checks its control data, file
# list and checksums, and that lintian reports no error or warning on the
# source package and on every binary package.
set -euo pipefail
cd "$(dirname "$0")/.."

# The engine's search signature: what "quillon bench" must count.
Signature=$(cat tools/data/bench-signature.txt)

version=$(sed -n 's/^project(quillon VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
deb=build/deb/quillon_${version}_amd64.deb
failures=0
fail() { echo "deb-test: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "deb-test: ok: $*"; }

[ -f "$deb" ] || { echo "deb-test: $deb is missing (make deb)" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
dpkg-deb -e "$deb" "$root/DEBIAN"
engine=$root/usr/games/quillon

# The engine, dynamically linked, runs from where the package puts it.
# (readelf's output is read whole before grep looks at it: grep -q leaving
# early would end readelf by SIGPIPE, which pipefail counts as a failure.)
dynamic=$(readelf -d "$engine" 2>/dev/null || true)
program=$(readelf -lW "$engine" 2>/dev/null || true)
if [ -x "$engine" ] && grep -q 'NEEDED.*libc\.so\.6' <<<"$dynamic" \
    && grep -q 'Requesting program interpreter' <<<"$program"; then
    pass "/usr/games/quillon is a dynamically linked executable"
else
    fail "/usr/games/quillon is missing or not linked against the C library"
fi
if grep -q '\.symtab' <<<"$(readelf -S "$engine")"; then fail "/usr/games/quillon is not stripped"; fi
# Debian's hardening, all of it: position-independent, read-only relocations
# bound at start, the stack protector and the fortified C library calls.
hardening=()
symbols=$(readelf --dyn-syms -W "$engine")
grep -q 'Type:.*DYN' <<<"$(readelf -h "$engine")" || hardening+=("not position-independent")
grep -q GNU_RELRO <<<"$program" || hardening+=("no RELRO")
grep -q 'BIND_NOW' <<<"$dynamic" || hardening+=("no BIND_NOW")
grep -q '__stack_chk_fail' <<<"$symbols" || hardening+=("no stack protector")
grep -q '__[a-z]*_chk@' <<<"$symbols" || hardening+=("no fortified calls")
[ ${#hardening[@]} -eq 0 ] && pass "hardened: PIE, RELRO, BIND_NOW, stack protector, fortify" \
    || fail "hardening: ${hardening[*]}"
got=$("$engine" --version || true)
[ "$got" = "Quillon $version" ] && pass "--version: $got" || fail "--version says '$got', not 'Quillon $version'"
nodes=$("$engine" bench 2>&1 | sed -n 's/^Nodes searched: //p')
[ "$nodes" = "$Signature" ] && pass "bench: Nodes searched: $nodes" \
    || fail "bench counts '$nodes' nodes, the signature is $Signature"
reply=$(printf 'uci\nisready\nquit\n' | "$engine")
case $reply in
    *"id name Quillon"*uciok*readyok*) pass "UCI handshake" ;;
    *) fail "UCI handshake answered: $reply" ;;
esac

# The plug-in file: xboard's format, and its engine command is the packaged
# engine when looked up on a player's PATH (/usr/games).
plugin=$root/usr/share/games/plugins/xboard/quillon.eng
if [ "$(sed -n 1p "$plugin")" = "plugin spec 0.0" ] && [ "$(sed -n 3p "$plugin")" = chess ]; then
    pass "plug-in file format"
else
    fail "plug-in file: $(tr '\n' '|' <"$plugin")"
fi
command_word=$(sed -n '2{s/ .*//;p}' "$plugin")
found=$(PATH=$root/usr/games command -v "$command_word" || true)
[ "$found" = "$engine" ] && pass "plug-in engine '$command_word' is /usr/games/quillon" \
    || fail "plug-in engine '$command_word' is not /usr/games/quillon"

# The manual page renders without a warning and names every tool that
# "quillon --help" lists.
man_page=$root/usr/share/man/man6/quillon.6.gz
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$man_page" 2>&1 >/dev/null || true)
text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$man_page" 2>/dev/null | col -b || true)
if [ -z "$warnings" ] && grep -q '^NAME' <<<"$text" && grep -q "Quillon $version" <<<"$text"; then
    pass "manual page renders"
else
    fail "manual page: ${warnings:-no NAME section or version}"
fi
synopsis=$(sed -n '/^SYNOPSIS/,/^DESCRIPTION/p' <<<"$text")
for tool in $("$engine" --help | sed -n 's/^  quillon \([a-z-][a-z-]*\).*/\1/p'); do
    grep -q -- "$tool" <<<"$synopsis" || fail "the manual page's synopsis lacks '$tool'"
done
for word in Hash Threads game_001.pgn saveboard loadboard xboard cutechess-cli polyglot; do
    grep -q -- "$word" <<<"$text" || fail "the manual page never mentions $word"
done

# Control data, file list, modes and ownership, checksums.
control=$root/DEBIAN/control
for field in "Package: quillon" "Version: $version" "Architecture: amd64" "Section: games" \
    "Priority: optional"; do
    grep -qx "$field" "$control" || fail "control lacks '$field'"
done
grep -q '^Depends: .*libc6 (>= [0-9.]*).*libstdc++6 (>= [0-9]*)' "$control" \
    || fail "control: $(grep '^Depends' "$control" || echo no Depends)"
# Installed-Size as dpkg-gencontrol counts it: every file rounded up to a KiB,
# one KiB for every other entry (the directories, the control one included).
data=$(mktemp -d)
dpkg -x "$deb" "$data"
size=$(( $(find "$data" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }') \
    + $(find "$data" ! -type f | wc -l) + 1 ))
rm -rf "$data"
grep -qx "Installed-Size: $size" "$control" || fail "Installed-Size is not $size"
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { print $6 }' <<<"$listing" | sort | tr '\n' ' ')
expected="./usr/games/quillon ./usr/share/doc/quillon/changelog.gz ./usr/share/doc/quillon/copyright"
expected+=" ./usr/share/games/plugins/xboard/quillon.eng ./usr/share/man/man6/quillon.6.gz "
[ "$files" = "$expected" ] && pass "file list" || fail "files: $files"
problems=$(awk '$2 != "root/root" { print "owner " $2 " of " $6 }
    $1 ~ /^d/ && $1 != "drwxr-xr-x" { print "mode " $1 " of " $6 }
    $1 ~ /^-/ && $6 == "./usr/games/quillon" && $1 != "-rwxr-xr-x" { print "mode " $1 " of " $6 }
    $1 ~ /^-/ && $6 != "./usr/games/quillon" && $1 != "-rw-r--r--" { print "mode " $1 " of " $6 }' \
    <<<"$listing")
[ -z "$problems" ] && pass "modes 0755/0644, owner root" || fail "modes or owners: $problems"
(cd "$root" && md5sum --quiet -c DEBIAN/md5sums) && pass "md5sums" || fail "md5sums"
grep -q "^quillon ($version)" <<<"$(gzip -dc "$root/usr/share/doc/quillon/changelog.gz" | sed -n 1p)" \
    && pass "changelog" || fail "changelog's newest entry is not $version"

# The arm64 package's engine: an ARM64 executable whose perft count from the
# start position is the published one, run under qemu-aarch64 with the
# cross libraries when the emulator is installed.
arm64_deb=build/deb/quillon_${version}_arm64.deb
if [ -f "$arm64_deb" ]; then
    arm64_root=$root/arm64
    dpkg -x "$arm64_deb" "$arm64_root"
    arm64_engine=$arm64_root/usr/games/quillon
    grep -qx arm64 <<<"$(dpkg-deb -f "$arm64_deb" Architecture)" || fail "$arm64_deb is not Architecture: arm64"
    grep -q 'Machine:.*AArch64' <<<"$(readelf -h "$arm64_engine")" && pass "arm64 package holds an AArch64 engine" \
        || fail "the arm64 package's engine is not an AArch64 executable"
    if command -v qemu-aarch64 >/dev/null && [ -d /usr/aarch64-linux-gnu ]; then
        nodes=$(qemu-aarch64 -L /usr/aarch64-linux-gnu "$arm64_engine" perft 4 | sed -n 's/^Nodes searched: //p')
        [ "$nodes" = 197281 ] && pass "arm64 engine under qemu-aarch64: perft 4 = $nodes" \
            || fail "arm64 engine under qemu-aarch64: perft 4 gives '$nodes', not 197281"
    fi
fi

# lintian, when installed (make deb installs it): no error and no warning on
# the source package or on any binary package.
if command -v lintian >/dev/null; then
    for package in build/deb/quillon_"${version}".dsc build/deb/quillon_"${version}"_*.deb; do
        [ -f "$package" ] || { fail "$package is missing (make deb)"; continue; }
        report=$(lintian --tag-display-limit 0 "$package" 2>&1 | grep -v 'root privileges' || true)
        if grep -q '^[EW]:' <<<"$report"; then
            fail "lintian reports errors or warnings on $package:"$'\n'"$report"
        else
            pass "lintian: no error or warning on $(basename "$package")${report:+ (}${report:+$(grep -c . <<<"$report") other tags)}"
        fi
    done
else
    echo "deb-test: lintian is not installed; not run"
fi

[ "$failures" -eq 0 ] || { echo "deb-test: $failures check(s) failed" >&2; exit 1; }
echo "deb-test: all checks passed"
