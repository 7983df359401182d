#!/usr/bin/env bash
# Builds the Debian package tessaline_<version>_amd64.deb with CPack from a Release build in
# build-deb/ (Debian's hardening flags, no tests) and checks it: its control fields, its file list
# against packaging/deb-contents.txt, lintian (no error, no warning; the judgements that do not
# apply are overridden in packaging/lintian-overrides, each with its reason), the menu entries, the
# AppStream metainfo, the icon at each size from 16 to 256 pixels and the software centre's catalog
# made from the package (which needs an icon of 64 pixels or more); then the program unpacked from
# it runs under a virtual X server: the demonstration to Finish; the wizard on this computer
# without a CD writer, where it must list none and probe nothing; and the wizard to Finish with an
# emulated CD writer in front of the system's cdrdao (tests/real_writer/with_emulated_writer, from
# the test build in build/), where it must find the writer's driver. With CI=true only (CI runs as
# root on a machine of its own), the package is also installed with dpkg, /usr/bin/tessaline is
# run the same three ways, and after `dpkg -r` nothing of it may be left but the user's settings.
# Run by hand, it never installs anything system-wide beyond the tools it needs. Exit status 0
# when every check passed.
# The package is left in build-deb/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

ensure_packages "${TESSALINE_BUILD_PACKAGES[@]}" "${TESSALINE_TOOL_PACKAGES[@]}" "${TESSALINE_DEB_PACKAGES[@]}" \
    "${TESSALINE_RUN_PACKAGES[@]}"

BUILD=build-deb

# Debian's compiler and linker flags for packages: fortified calls, stack protector, full RELRO.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
configure_once "$BUILD" -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF \
    -DTESSALINE_WERROR=ON \
    "-DCMAKE_CXX_FLAGS=$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
cmake --build "$BUILD" -j2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
deb="$BUILD/tessaline_${version}_amd64.deb"
rm -f "$deb"
(cd "$BUILD" && cpack -G DEB >cpack.log 2>&1) || { cat "$BUILD/cpack.log"; fail "cpack -G DEB"; }
[ -f "$deb" ] || fail "cpack made no $deb"
say "built $deb"

work=$(mktemp -d)
installed=
remove_after_failure() {
    [ -z "$installed" ] && return 0
    say "removing the package after a failed check"
    dpkg -r tessaline >/dev/null 2>&1 || true
}
at_exit 'rm -rf "$work"'
at_exit remove_after_failure

# Control fields: name, version, and the run-time needs that dpkg-shlibdeps cannot see beside the
# ones it found.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tessaline ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not the project's $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
depended=$(tr ',|' '\n\n' <<<"$depends" | awk '{ print $1 }')
for needed in cdrdao qt6-qpa-plugins fonts-wine libqt6widgets6 libqt6gui6 libqt6core6 libc6 libstdc++6; do
    grep -Fqx "$needed" <<<"$depended" || fail "Depends lacks $needed: $depends"
done

# The file list, with each entry's type, mode and owner, against the one expected.
dpkg-deb -c "$deb" | awk '{ sub(/^\.\//, "", $6); print $1, $2, $6 }' | sort -k3 >"$work/contents.txt"
if ! diff -u <(grep -v '^#' packaging/deb-contents.txt | sort -k3) "$work/contents.txt"; then
    fail "the package's files differ from packaging/deb-contents.txt (- expected, + in the package)"
fi

say lintian
lintian_status=0
lintian --fail-on error,warning --display-info --pedantic --display-experimental --show-overrides \
    "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || fail "lintian found errors or warnings"

root="$work/root"
dpkg-deb -x "$deb" "$root"
check_language_words "$root/usr/lib/tessaline/Lang" "${TESSALINE_WINDOWS_WORDS[@]}"
for entry in tessaline tessaline-demo; do
    desktop-file-validate "$root/usr/share/applications/$entry.desktop" || fail "the menu entry $entry is not valid"
done
grep -qx "Exec=/usr/bin/tessaline" "$root/usr/share/applications/tessaline.desktop" &&
    grep -qx "Path=/usr/lib/tessaline" "$root/usr/share/applications/tessaline.desktop" ||
    fail "the menu entry does not start /usr/bin/tessaline in /usr/lib/tessaline"
grep -qx "Exec=/usr/bin/tessaline --demo" "$root/usr/share/applications/tessaline-demo.desktop" &&
    grep -qx "Path=/usr/lib/tessaline/demo" "$root/usr/share/applications/tessaline-demo.desktop" ||
    fail "the demonstration's menu entry does not start /usr/bin/tessaline --demo in /usr/lib/tessaline/demo"
cmp -s "$root/usr/lib/tessaline/tessaline" "$root/usr/lib/tessaline/demo/tessaline" ||
    fail "the demonstration's program differs from the program"
say "appstreamcli validate --no-net --pedantic"
appstreamcli validate --no-net --pedantic --explain "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "appstreamcli rejects the metainfo"
grep -q "<release version=\"$version\"" "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo has no release $version"
zcat "$root/usr/share/doc/tessaline/changelog.gz" | head -n 1 | grep -q "^tessaline ($version)" ||
    fail "the changelog's latest entry is not $version"

# The icon that the menu entries and the metainfo name, in the hicolor theme at each size a desktop
# draws it; every icon there a PNG of the size its folder says, its corner transparent (the disc is
# round, and desktops draw it on backgrounds of their own).
icon=$(sed -n 's/^Icon=//p' "$root/usr/share/applications/tessaline.desktop")
[ -n "$icon" ] || fail "the menu entry names no icon"
grep -qx "Icon=$icon" "$root/usr/share/applications/tessaline-demo.desktop" ||
    fail "the demonstration's menu entry does not name the icon $icon"
for size in 16 24 32 48 64 128 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" ] ||
        fail "the package has no ${size}x$size icon"
done
for png in "$root"/usr/share/icons/hicolor/*/apps/*; do
    folder=${png#"$root"/usr/share/icons/hicolor/}
    folder=${folder%%/*}
    read -r format width height corner <<<"$(identify -format '%m %w %h %[fx:p{0,0}.a]' "$png" 2>/dev/null)"
    [ "$format ${width}x$height" = "PNG $folder" ] ||
        fail "${png#"$root"} is ${format:-not an image} ${width:-?}x${height:-?}, not PNG $folder"
    [ "$corner" = 0 ] || fail "${png#"$root"} is not transparent in its corner"
done
grep -q "<icon type=\"stock\">$icon</icon>" "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "the metainfo does not name the icon $icon"
say "the icon $icon at 16 to 256 pixels, each a PNG of its size"

# A software centre lists the program from a catalog that `appstreamcli compose` makes from the
# package's files, as a distribution's archive does: it takes the metainfo only with an icon of
# 64x64 or more, which it stores at 64 and 128 pixels.
catalog="$work/catalog"
appstreamcli compose --no-net --no-color --print-report=full --origin=tessaline --result-root="$catalog" \
    "$root" >"$work/compose.log" 2>&1 ||
    { cat "$work/compose.log"; fail "appstreamcli compose rejects the package"; }
for size in 64x64 128x128; do
    [ -f "$catalog/usr/share/swcatalog/icons/tessaline/$size/com.quorvane.tessaline.png" ] ||
        { cat "$work/compose.log"; fail "the software centre's catalog has no $size icon"; }
done
say "appstreamcli compose: the catalog lists the program with its icon at 64 and 128 pixels"

driver_key='HKEY_CURRENT_USER\Software\Quorvane\Output_Setting\Driver'

# The wizard started its tool from the application directory: the tool's first command line.
check_first_command() {  # what, expected line, tool log
    local first
    first=$(head -n 1 "$3")
    [ "$first" = "$2" ] || fail "$1: the tool was run as '$first', expected '$2'"
}

# The emulated writer comes from the test build (./test.sh builds build/ first).
build_test_target with_emulated_writer || fail "no emulated writer"
with_writer=(build/tests/real_writer/with_emulated_writer "$work/blank-writer.units")
printf '[unit]\nnode = /dev/sr0\naddress = 1:0:0:0\nvendor = TSLN\nproduct = CDRW 4012\nrevision = 1.00\n' \
    >"$work/blank-writer.units"
printf 'disc = blank-cd-r\naccess = open\ncommands = mmc\n' >>"$work/blank-writer.units"

# Runs the program three ways, as a person would with the keyboard, each with its checks:
# - the demonstration to Finish: the stand-in tool was started from the demonstration's
#   application directory, and the driver of the shipped scenario's first writer (generic-mmc,
#   position 1 in the table) was stored in the demonstration's own store, nothing in the user's;
# - the wizard on this computer, which has no CD writer: the bridge was started from the
#   application directory and ran the system's tool, and nothing was stored;
# - the wizard to Finish with an emulated blank CD-R in front of cdrdao (the run happens in the
#   writer's bus): the bridge listed it, cdrdao's own choice of driver read the disc (position 0
#   stored) and the simulated write ran on the writer's device.
check_three_runs() {  # what, launcher, application directory, home
    local what=$1 launcher=$2 appdir=$3 home=$4 tool="$work/tool.log" out="$work/out.log" value
    mkdir -p "$home"
    HOME="$home" XDG_CONFIG_HOME='' run_wizard_to_finish tessaline "$tool" "$out" "$launcher" --demo ||
        { cat "$out"; fail "$what --demo did not run to Finish"; }
    check_first_command "$what --demo" "$appdir/demo/Burn.exe scanbus -v 0" "$tool"
    value=$(reg_file_value "$home/.config/Tessaline/demo/Tessaline/user.reg" "$driver_key")
    [ "$value" = 1 ] || fail "$what --demo stored driver '${value:-none}', expected 1 (generic-mmc)"
    value=$(reg_file_value "$home/.config/Tessaline/user.reg" "$driver_key")
    [ -z "$value" ] || fail "$what --demo stored driver '$value' in the user's own settings"
    say "$what --demo ran to Finish; stored driver 1 (generic-mmc) in its own store"

    HOME="$home" XDG_CONFIG_HOME='' run_wizard_without_writer tessaline "$tool" "$out" "$launcher" ||
        { cat "$out"; fail "$what misbehaved without a CD writer"; }
    check_first_command "$what" "$appdir/Burn.exe scanbus -v 0" "$tool"
    grep -q "^  runs: .*/cdrdao scanbus -v 0\$" "$tool" || fail "$what: Burn.exe did not run cdrdao: $(cat "$tool")"
    value=$(reg_file_value "$home/.config/Tessaline/user.reg" "$driver_key")
    [ -z "$value" ] || fail "$what stored driver '$value' without a writer"
    say "$what without a CD writer listed none, probed nothing, stored nothing"

    HOME="$home" XDG_CONFIG_HOME='' "${with_writer[@]}" \
        bash -c 'source scripts/lib.sh && run_wizard_to_finish tessaline "$@"' _ "$tool" "$out" "$launcher" ||
        { cat "$out"; fail "$what did not run to Finish with an emulated CD writer"; }
    check_first_command "$what" "$appdir/Burn.exe scanbus -v 0" "$tool"
    grep -q "^  runs: .*/cdrdao simulate --device /dev/sr0 -n --reload --eject test.cue\$" "$tool" ||
        fail "$what: cdrdao ran no simulated write on /dev/sr0: $(cat "$tool")"
    value=$(reg_file_value "$home/.config/Tessaline/user.reg" "$driver_key")
    [ "$value" = 0 ] || fail "$what: the stored driver is '${value:-none}', expected 0 (cdrdao's own choice)"
    say "$what with an emulated CD writer ran to Finish; stored driver 0"
}

start_virtual_display "$work/xvfb.log" || fail "no virtual X server"

# The program as packaged (stripped, hardened), unpacked into a folder: the tree is relocatable.
check_three_runs "the unpacked program" "$root/usr/bin/tessaline" "$root/usr/lib/tessaline" "$work/home-unpacked"

if [ "${CI:-}" != true ]; then
    say "install check (dpkg -i, run /usr/bin/tessaline, dpkg -r) runs only under CI=true"
    exit 0
fi

say "dpkg -i $deb"
[ "$(id -u)" -eq 0 ] || fail "the install check needs root (CI runs as root)"
installed=yes
if ! dpkg -i "$deb"; then
    DEBIAN_FRONTEND=noninteractive apt-get install -f -y -qq --no-install-recommends </dev/null ||
        fail "apt-get -f install could not complete the package's dependencies"
fi
dpkg-query -W -f='${Status}' tessaline | grep -q "install ok installed" || fail "dpkg did not install the package"

home="$work/home"
check_three_runs /usr/bin/tessaline /usr/bin/tessaline /usr/lib/tessaline "$home"

say "dpkg -r tessaline"
dpkg -r tessaline
installed=
status=$(dpkg-query -W -f='${Status}' tessaline 2>/dev/null || true)
case "$status" in "" | *not-installed) ;; *) fail "after dpkg -r the package's status is '$status'" ;; esac
left=()
while read -r _ _ path; do
    case "$path" in */) [ -d "/${path%/}" ] && [[ "$path" == *tessaline* ]] && left+=("/$path") ;; *) [ -e "/$path" ] && left+=("/$path") ;; esac
done <"$work/contents.txt"
[ ${#left[@]} -eq 0 ] || fail "left on disk after dpkg -r: ${left[*]}"
[ -f "$home/.config/Tessaline/user.reg" ] || fail "dpkg -r took the user's settings"
say "removed; nothing of the package is left, the user's settings are kept"
