#!/usr/bin/env bash
# Builds Quillon's Debian packages the way Debian builds packages: the tree
# becomes a native source package (its tracked files, with packaging/debian/
# as the debian/ directory), build/deb/quillon_VERSION.dsc and .tar.xz, and
# dpkg-buildpackage -us -uc -b builds the binary packages from it:
# build/deb/quillon_VERSION_amd64.deb and, as a cross build with Debian's
# cross toolchain (-a arm64), quillon_VERSION_arm64.deb, or those of the
# architectures named as arguments. debian/rules builds the engine with the
# plain make build and Debian's flags (hardening=+all); file times in the
# packages are the changelog's date (SOURCE_DATE_EPOCH, which
# dpkg-buildpackage takes from it), so two builds of the same tree give the
# same bytes.
# Needs dpkg-dev, debhelper, clang, and for arm64 crossbuild-essential-arm64
# with libstdc++6:arm64 (make deb installs them: tools/install-deps.sh --deb).
set -euo pipefail
cd "$(dirname "$0")/.."

out=build/deb
archs=("$@")
[ ${#archs[@]} -gt 0 ] || archs=(amd64 arm64)

version=$(sed -n 's/^project(quillon VERSION \([^ )]*\).*/\1/p' CMakeLists.txt)
# The newest changelog entry names the version of the package.
changelog_version=$(sed -n '1s/^quillon (\([^)]*\)).*/\1/p' packaging/debian/changelog)
if [ -z "$version" ] || [ "$changelog_version" != "$version" ]; then
    echo "make-deb: CMakeLists.txt says version '$version', packaging/debian/changelog" \
        "'$changelog_version': add a changelog entry for the new version" >&2
    exit 1
fi

# The source tree: the files git tracks as they are in the work tree (every
# file but build/ when this is no git checkout), and the debian/ directory.
tree=$out/quillon-$version
rm -rf "$tree" "$out/quillon_$version.dsc" "$out/quillon_$version.tar.xz"
mkdir -p "$tree"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z | while IFS= read -r -d '' file; do
        [ -e "$file" ] && printf '%s\0' "$file"
    done | xargs -0 cp --parents -P -t "$tree"
else
    find . -mindepth 1 -maxdepth 1 ! -name build ! -name .git -exec cp -R -P -t "$tree" {} +
fi
cp -R packaging/debian "$tree/debian"

# The source package (lintian checks it with the binary ones).
(cd "$out" && dpkg-source --build "quillon-$version" >/dev/null)
echo "make-deb: $out/quillon_$version.dsc"

jobs=()
[[ "${MAKEFLAGS:-}" == *-j* ]] || jobs=(-j"$(nproc)")
for arch in "${archs[@]}"; do
    case $arch in
        amd64 | arm64) ;;
        *) echo "make-deb: unknown architecture '$arch' (amd64 or arm64)" >&2; exit 1 ;;
    esac
    rm -f "$out/quillon_${version}_$arch".*
    # A cross build as Debian runs one: the host's cross compilers, the
    # "cross" and "nocheck" profiles (the build machine cannot run what it
    # builds; make deb-test runs the arm64 engine under qemu-aarch64).
    cross=()
    environment=()
    if [ "$arch" != "$(dpkg --print-architecture)" ]; then
        gnu_type=$(dpkg-architecture -qDEB_HOST_GNU_TYPE -a"$arch" 2>/dev/null)
        cross=(-a "$arch" -Pcross,nocheck)
        environment=(DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" CC="$gnu_type-gcc" CXX="$gnu_type-g++")
    fi
    log=$out/build-$arch.log
    if ! (cd "$tree" && env "${environment[@]}" dpkg-buildpackage -us -uc -b "${cross[@]}" "${jobs[@]}") \
        >"$log" 2>&1; then
        tail -n 30 "$log" >&2
        echo "make-deb: dpkg-buildpackage for $arch failed (whole log: $log)" >&2
        exit 1
    fi
    deb=$out/quillon_${version}_$arch.deb
    echo "make-deb: $deb (Depends: $(dpkg-deb -f "$deb" Depends))"
done
