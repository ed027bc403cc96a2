#!/usr/bin/env bash
# Builds the Debian package fennmere_<version>_<arch>.deb with CPack and, with
# --check, checks it.
#
#   scripts/package.sh [BUILD-DIR]           build the package (default build/pkg)
#   scripts/package.sh --check [BUILD-DIR]   build it, then check it
#
# A BUILD-DIR that does not hold a configured build yet is configured Release
# without tests, with Debian's hardening flags (dpkg-buildflags). One that does
# (build/test-release of scripts/test.sh, say) is reused as it is configured:
# it is brought up to date (cpack's install step asks for the whole build, so
# a folder whose tests are not built yet gets them built), and the package
# gets stripped copies of the binaries, so the folder's own stay as they were.
# A sanitizer, fuzzing or cross build, or one without the application or the
# tools, is refused: it does not give the programs to install.
#
# The package lands in BUILD-DIR/package/; its path is the last line printed.
#
# The check: lintian finds no error (warnings and notes are listed, and do not
# fail); the package holds the three programs, their manual pages, the desktop
# entry, the AppStream file, the icon in every size and the copyright file;
# the desktop entry passes desktop-file-validate and claims no MIME type; the
# unpacked tree passes appstreamcli validate-tree --no-net; the unpacked
# fennmere prints the version and writes a new setup file that reads back
# unchanged. The exit status is 0 only when all of that holds.
set -eu

check=0
if [ "${1:-}" = "--check" ]; then
    check=1
    shift
fi
if [ $# -gt 1 ] || [[ "${1:-}" == -* ]]; then
    echo "usage: scripts/package.sh [--check] [BUILD-DIR]" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
# A BUILD-DIR given is taken from the current folder; the default lies in the
# repository.
dir=$(realpath -m "${1:-$root/build/pkg}")
cd "$root"
. scripts/deps.sh
jobs=${FENNMERE_JOBS:-2}

# dpkg-dev: dpkg-shlibdeps for the Depends field; file: CPack finds the ELF
# files with it.
packages=(cmake ninja-build g++ qt6-base-dev nlohmann-json3-dev libcli11-dev libedit-dev pkg-config dpkg-dev file)
[ "$check" -eq 1 ] && packages+=(lintian desktop-file-utils appstream)
fennmere_need_packages "${packages[@]}"

cache_value() {  # cache_value NAME: the value in BUILD-DIR's CMake cache
    sed -n "s/^$1:[A-Z]*=//p" "$dir/CMakeCache.txt"
}

if [ -f "$dir/CMakeCache.txt" ]; then
    if [ -n "$(cache_value FENNMERE_SANITIZE)" ] || [ "$(cache_value FENNMERE_FUZZ)" = "ON" ] \
        || [ -n "$(cache_value CMAKE_TOOLCHAIN_FILE)" ]; then
        echo "package.sh: $dir is a sanitizer, fuzzing or cross build; use another folder" >&2
        exit 1
    fi
    for option in FENNMERE_BUILD_GUI FENNMERE_BUILD_TOOLS; do
        value=$(cache_value $option)
        if [[ "${value^^}" =~ ^(OFF|FALSE|NO|N|0|)$ ]]; then
            echo "package.sh: $dir is configured with $option=OFF; the package needs all three programs" >&2
            exit 1
        fi
    done
    echo "Reusing $dir ($(cache_value CMAKE_BUILD_TYPE) build)" >&2
    # Re-run with the options it has, so that it takes up the install rules.
    cmake -S "$root" -B "$dir" >/dev/null
else
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cxxflags=" $(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS) "
    # The package carries stripped binaries: debug information is only build time.
    cxxflags=${cxxflags// -g / }
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DFENNMERE_BUILD_TESTS=OFF \
        -DFENNMERE_BUILD_GUI=ON -DFENNMERE_BUILD_TOOLS=ON \
        -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
fi
cmake --build "$dir" -j "$jobs" --target FennmereSetup fennmere fennmere-loggersim fennmere_package_data

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$dir/CPackConfig.cmake")
deb=$dir/package/fennmere_${version}_$(dpkg --print-architecture).deb
rm -f "$deb"
# cpack installs from the build, which first brings the whole of it up to date
# (nothing more than the above in a build without tests).
cpack --config "$dir/CPackConfig.cmake" -B "$dir/package" >&2
if [ ! -f "$deb" ]; then
    echo "package.sh: cpack did not make $deb" >&2
    exit 1
fi

if [ "$check" -eq 1 ]; then
    failures=0
    fail() {
        echo "*** check failed: $*" >&2
        failures=$((failures + 1))
    }

    # lintian exits with 2 when it finds a tag at --fail-on's level or above,
    # with 1 when it could not run at all (not the other way round). It refuses
    # to run as root without being told.
    lintian_args=(--fail-on error --display-info)
    [ "$(id -u)" -eq 0 ] && lintian_args+=(--allow-root)
    echo "--- lintian" >&2
    lintian_status=0
    lintian "${lintian_args[@]}" "$deb" >&2 || lintian_status=$?
    case $lintian_status in
    0) echo "lintian: no errors" >&2 ;;
    2) fail "lintian reports errors" ;;
    *) fail "lintian could not check the package (exit status $lintian_status)" ;;
    esac

    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    dpkg-deb -x "$deb" "$scratch/root"
    id=org.fennmere.FennmereSetup
    expected=(usr/bin/FennmereSetup usr/bin/fennmere usr/bin/fennmere-loggersim
        usr/share/man/man1/FennmereSetup.1.gz usr/share/man/man1/fennmere.1.gz
        usr/share/man/man1/fennmere-loggersim.1.gz
        usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
        usr/share/doc/fennmere/copyright usr/share/doc/fennmere/changelog.gz)
    for size in 16 32 48 64 128 256; do
        expected+=(usr/share/icons/hicolor/${size}x$size/apps/$id.png)
    done
    for path in "${expected[@]}"; do
        [ -f "$scratch/root/$path" ] || fail "the package lacks /$path"
    done
    for size in 16 32 48 64 128 256; do
        icon=$scratch/root/usr/share/icons/hicolor/${size}x$size/apps/$id.png
        if [ -f "$icon" ] && ! file -b "$icon" | grep -q "^PNG image data, $size x $size,"; then
            fail "/usr/share/icons/hicolor/${size}x$size/apps/$id.png is not a $size x $size PNG"
        fi
    done

    echo "--- the unpacked programs" >&2
    bin=$scratch/root/usr/bin
    version_line=$("$bin/fennmere" --version) || fail "fennmere --version failed"
    echo "$version_line" >&2
    [ "$version_line" = "fennmere (FennmereSetup) $version" ] \
        || fail "fennmere --version printed \"$version_line\", not version $version"
    # In a folder of its own: with no sensor.ini there, the new configuration's
    # sensor lists are empty, whatever the current folder holds.
    mkdir "$scratch/work"
    if (cd "$scratch/work" && "$bin/fennmere" new -o new.txt); then
        if [ ! -s "$scratch/work/new.txt" ] || ! grep -q "^SaveConfig"$'\r'"$" "$scratch/work/new.txt"; then
            fail "fennmere new wrote no setup file"
        elif ! (cd "$scratch/work" && "$bin/fennmere" convert new.txt -o again.txt \
            && cmp -s new.txt again.txt); then
            fail "the setup file of fennmere new does not read back as it was written"
        else
            echo "fennmere new: $(wc -l <"$scratch/work/new.txt") lines, reads back unchanged" >&2
        fi
    else
        fail "fennmere new failed"
    fi

    echo "--- desktop entry and AppStream file" >&2
    desktop=$scratch/root/usr/share/applications/$id.desktop
    if [ -f "$desktop" ]; then
        desktop-file-validate "$desktop" >&2 || fail "desktop-file-validate rejects $id.desktop"
        # Installing must not make the program the handler of any file type.
        if grep -q "^MimeType" "$desktop"; then fail "$id.desktop claims MIME types"; fi
    fi
    # The whole tree: the AppStream file and the desktop entry it names.
    if ! appstreamcli validate-tree --no-net "$scratch/root" >&2; then
        fail "appstreamcli rejects the AppStream file or its desktop entry"
    fi

    if [ "$failures" -ne 0 ]; then
        echo "package check: $failures failed" >&2
        exit 1
    fi
    echo "package check: passed ($(du -k "$deb" | cut -f1) kB)" >&2
fi
echo "$deb"
