#!/usr/bin/env bash
# Builds the Debian packages build/deb/quillon_VERSION_ARCH.deb, for amd64 and
# arm64 (or the architectures named as arguments), from packaging/debian/:
# the engine built with the plain make build as Debian builds packages
# (dpkg-buildflags' hardening, no -march=native, linked against the system's
# C library), stripped, as /usr/games/quillon, with its manual page, the
# xboard plug-in file, the changelog and the copyright file.
# Needs dpkg-dev; arm64 needs aarch64-linux-gnu-g++ (make deb installs both).
# DEB_CXX chooses the amd64 compiler: by default clang++ when it is installed
# (its code searches faster here, as for make dist), else g++.
set -euo pipefail
cd "$(dirname "$0")/.."

src=packaging/debian
out=build/deb
make_cmd=${MAKE:-make}
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(amd64 arm64)

version=$(sed -n 's/^project(quillon VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
# The newest changelog entry names the version and the maintainer.
changelog_version=$(sed -n '1s/^quillon (\([^)]*\)).*/\1/p' $src/changelog)
maintainer=$(sed -n 's/^ -- \(.*>\)  .*/\1/p' $src/changelog | head -n 1)
if [ -z "$version" ] || [ "$changelog_version" != "$version" ]; then
    echo "make-deb: CMakeLists.txt says version '$version', $src/changelog '$changelog_version':" \
        "add a changelog entry for the new version" >&2
    exit 1
fi

# Depends: the shared libraries the binary needs, with the versions their
# symbols require (dpkg-shlibdeps). The ARM64 cross libraries are the same
# packages under a cross name (libc6-arm64-cross, ...): the name is put back.
# The cross libstdc++ has no symbols file, so its dependency comes without a
# version; the symbol versions the binary needs from it (GLIBCXX_3.4.29, ...)
# give one through the build machine's own symbols file of that package.
depends_of() {
    local binary=$1 arch=$2 objdump=$3 tmp result
    tmp=$(mktemp -d)
    mkdir "$tmp/debian"
    printf 'Source: quillon\n\nPackage: quillon\nArchitecture: any\n' >"$tmp/debian/control"
    local extra=()
    [ "$arch" = arm64 ] && extra=(-l/usr/aarch64-linux-gnu/lib)
    result=$(cd "$tmp" && DEB_HOST_ARCH=$arch dpkg-shlibdeps -O "${extra[@]}" -e "$binary" 2>/dev/null)
    rm -rf "$tmp"
    result=${result#shlibs:Depends=}
    local tags deps=() dep symbols min
    tags=$("$objdump" -T "$binary" | awk '{ for (i = 1; i <= NF; i++) if ($i ~ /^\([A-Z]+_[0-9.]+\)$/) print substr($i, 2, length($i) - 2) }' | sort -u)
    IFS=',' read -ra list <<<"$(echo "$result" | sed -e "s/-$arch-cross//g" -e "s/:$arch//g")"
    for dep in "${list[@]}"; do
        dep=${dep# }
        symbols=/var/lib/dpkg/info/$dep:$(dpkg --print-architecture).symbols
        if [[ "$dep" != *" "* ]] && [ -f "$symbols" ]; then
            min=$(for tag in $tags; do
                awk -v t="$tag" '$1 == t "@" t { print $2 }' "$symbols"
            done | sort -V | tail -n 1)
            [ -z "$min" ] || dep="$dep (>= $min)"
        fi
        deps+=("$dep")
    done
    (IFS=','; echo "${deps[*]}") | sed 's/,/, /g'
}

for arch in "${archs[@]}"; do
    case $arch in
        amd64) cxx=${DEB_CXX:-$(command -v clang++ >/dev/null && echo clang++ || echo g++)}; tools= ;;
        arm64) cxx=aarch64-linux-gnu-g++; tools=aarch64-linux-gnu- ;;
        *) echo "make-deb: unknown architecture '$arch' (amd64 or arm64)" >&2; exit 1 ;;
    esac
    work=$out/$arch
    mkdir -p "$work"

    # Debian's flags for this architecture, at -O3 as the release build, less
    # the stack protector: its check in every function that keeps an array
    # slows the search by about 3%.
    flags() {
        DEB_HOST_ARCH=$arch DEB_BUILD_MAINT_OPTIONS=hardening=+all,-stackprotector dpkg-buildflags --get "$1"
    }
    cxxflags="$(flags CXXFLAGS | sed 's/-O2/-O3/') -DNDEBUG"
    jobs=()
    [[ "${MAKEFLAGS:-}" == *-j* ]] || jobs=(-j"$(nproc)")
    rm -f "$work/quillon"  # relinked even when only the compiler changed
    "$make_cmd" --no-print-directory "${jobs[@]}" EXE="$work/quillon" CXX="$cxx" NATIVE= \
        CXXFLAGS="$cxxflags" CPPFLAGS="$(flags CPPFLAGS)" LDFLAGS="$(flags LDFLAGS)"

    root=$work/root
    rm -rf "$root"
    install -d -m 0755 "$root/DEBIAN" "$root/usr/games" "$root/usr/share/doc/quillon" \
        "$root/usr/share/man/man6" "$root/usr/share/games/plugins/xboard"
    find "$root" -type d -exec chmod 0755 {} +
    install -m 0755 "$work/quillon" "$root/usr/games/quillon"
    "${tools}strip" --strip-unneeded --remove-section=.comment --remove-section=.note "$root/usr/games/quillon"
    gzip -9n <$src/changelog >"$root/usr/share/doc/quillon/changelog.gz"
    install -m 0644 $src/copyright "$root/usr/share/doc/quillon/copyright"
    sed "s/@VERSION@/$version/g" $src/quillon.6 | gzip -9n >"$root/usr/share/man/man6/quillon.6.gz"
    install -m 0644 $src/quillon.eng "$root/usr/share/games/plugins/xboard/quillon.eng"
    chmod 0644 "$root/usr/share/doc/quillon/changelog.gz" "$root/usr/share/man/man6/quillon.6.gz"

    depends=$(depends_of "$PWD/$root/usr/games/quillon" "$arch" "${tools}objdump")
    if [ -z "$depends" ]; then
        echo "make-deb: dpkg-shlibdeps found no dependencies for $arch" >&2
        exit 1
    fi
    size=$(du -s -k --apparent-size "$root/usr" | cut -f1)
    sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s|@MAINTAINER@|$maintainer|" \
        -e "s/@INSTALLED_SIZE@/$size/" -e "s/@DEPENDS@/$depends/" $src/control.in >"$root/DEBIAN/control"
    (cd "$root" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$root/DEBIAN/md5sums"
    chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

    deb=$out/quillon_${version}_$arch.deb
    dpkg-deb --build --root-owner-group -Zxz "$root" "$deb" >/dev/null
    echo "make-deb: $deb (Depends: $depends)"
done
