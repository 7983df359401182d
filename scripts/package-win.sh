#!/usr/bin/env bash
# Builds the Windows installer tessaline-<version>-x64-setup.exe with NSIS (makensis) around the
# folder that `cmake --install` of a MinGW-w64 Release build lays out (build-win-pkg/), and checks
# it under Wine in a prefix of that folder's own, with a virtual X server: a silent install (/S)
# puts exactly the expected files in C:\Program Files\Tessaline, the Start-menu shortcut starts
# the program in that folder, and "Add or remove programs" lists it; the program, started as the
# shortcut starts it, runs to Finish and stores its driver; a silent uninstall leaves no file,
# shortcut or uninstall entry, and the user's settings below HKCU\Software\Quorvane are kept.
# Where Wine cannot be had it says so in one line and exits 0 after building the installer; under
# CI=true every step must run, and one that cannot fails. Exit status 0 when every check passed.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib.sh

BUILD=build-win-pkg

ensure_packages cmake make g++-mingw-w64-x86-64-posix nsis python3 "${TESSALINE_RUN_PACKAGES[@]}"

# The program's folder: a Release build with the Win32 window, stripped.
configure_once "$BUILD" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF -DTESSALINE_WERROR=ON
cmake --build "$BUILD" -j2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
stage="$PWD/$BUILD/stage"
rm -rf "$stage"
cmake --install "$BUILD" --prefix "$stage" --strip >/dev/null
appdir="$stage"  # a Windows install lays the application directory out at its prefix
[ -f "$appdir/tessaline.exe" ] ||
    fail "the Windows build installed no tessaline.exe in $appdir: the installer would ship no program"

# The folder against the list expected (uninstall.exe is the installer's own).
listing() { (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
expected=$(grep -v '^#' packaging/windows/installed-files.txt | LC_ALL=C sort)
diff -u <(grep -vx uninstall.exe <<<"$expected") <(listing "$appdir") ||
    fail "the program's folder differs from packaging/windows/installed-files.txt (- expected, + built)"
# Linked statically: no MinGW runtime DLL (libstdc++-6.dll, libgcc_s_seh-1.dll,
# libwinpthread-1.dll) is needed beside the programs, only Windows' own.
check_system_dlls "$appdir/tessaline.exe" "$appdir/Burn.exe"

# The installer's file lists, made from the folder: File lines by subfolder, and for the
# uninstaller the same files by name and then the subfolders, deepest first.
files_nsh="$PWD/$BUILD/installer-files.nsh"
{
    echo "!macro TESSALINE_INSTALL_FILES"
    (cd "$appdir" && find . -type d | LC_ALL=C sort) | while read -r dir; do
        dir=${dir#./}
        [ "$dir" = . ] && out='$INSTDIR' || out="\$INSTDIR\\${dir//\//\\}"
        echo "  SetOutPath \"$out\""
        [ "$dir" = . ] && src=$appdir || src="$appdir/$dir"
        find "$src" -maxdepth 1 -type f | LC_ALL=C sort | while read -r file; do
            echo "  File \"${file//\$/\$\$}\""
        done
    done
    echo "!macroend"
    echo "!macro TESSALINE_REMOVE_FILES"
    listing "$appdir" | while read -r file; do echo "  Delete \"\$INSTDIR\\${file//\//\\}\""; done
    (cd "$appdir" && find . -mindepth 1 -type d | LC_ALL=C sort -r) | while read -r dir; do
        dir=${dir#./}
        echo "  RMDir \"\$INSTDIR\\${dir//\//\\}\""
    done
    echo "!macroend"
} >"$files_nsh"
! grep -q '"[^"]*"[^"]*"' "$files_nsh" || fail "a file name with a double quote cannot go in the installer"

setup="$PWD/$BUILD/tessaline-$version-x64-setup.exe"
rm -f "$setup"
makensis -V2 -DVERSION="$version" -DFILES="$files_nsh" -DOUTFILE="$setup" packaging/windows/tessaline.nsi ||
    fail "makensis"
say "built $BUILD/$(basename "$setup")"

# Under Wine, in a prefix of this folder's own.
if ! command -v wine >/dev/null 2>&1; then
    ensure_packages "${TESSALINE_WINDOWS_PACKAGES[@]}" || true
fi
command -v wine >/dev/null 2>&1 || skip_or_fail "the run under Wine: Wine is not available on this machine"
work=$(mktemp -d)
at_exit 'rm -rf "$work"'
# Wine's windows need the X server from the first program of the prefix's server on.
start_virtual_display "$work/xvfb.log" || skip_or_fail "the run under Wine: the virtual X server does not start"
# A prefix that still holds an installed Tessaline (a run that stopped half-way) is made anew.
if [ -e "$BUILD/wine-prefix/drive_c/Program Files/Tessaline" ]; then
    WINEPREFIX="$PWD/$BUILD/wine-prefix" wineserver --kill >/dev/null 2>&1 || true
    rm -rf "$BUILD/wine-prefix"
fi
use_wine_prefix "$BUILD" || skip_or_fail "the run under Wine: Wine does not start on this machine (wineboot failed)"
start_wine_server_on_display || skip_or_fail "the run under Wine: Wine does not run programs on this machine"

program_files="$WINEPREFIX/drive_c/Program Files"
installdir="$program_files/Tessaline"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaline'
settings_key='HKCU\Software\Quorvane'
driver_key="$settings_key\\Output_Setting\\Driver"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tessaline.lnk"
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }

# The settings of an earlier run go first, so that the ones checked below are this run's.
wine reg delete "$settings_key" /f >/dev/null 2>&1 || true

say "silent install"
wine "$setup" /S || fail "the installer ended with status $?"
[ -d "$installdir" ] || fail "nothing was installed in C:\\Program Files\\Tessaline"
diff -u <(echo "$expected") <(listing "$installdir") ||
    fail "the installed files differ from packaging/windows/installed-files.txt (- expected, + installed)"
cmp -s "$installdir/tessaline.exe" "$appdir/tessaline.exe" || fail "the installed tessaline.exe is not the one built"
check_language_words "$installdir/Lang" "${TESSALINE_LINUX_WORDS[@]}"

declare -A want=(
    [DisplayName]=Tessaline [DisplayVersion]=$version [Publisher]=Quorvane
    [InstallLocation]='C:\Program Files\Tessaline'
    [DisplayIcon]='C:\Program Files\Tessaline\tessaline.exe,0'
    [UninstallString]='"C:\Program Files\Tessaline\uninstall.exe"'
    [QuietUninstallString]='"C:\Program Files\Tessaline\uninstall.exe" /S'
    [NoModify]=0x1 [NoRepair]=0x1)
for name in "${!want[@]}"; do
    got=$(wine_reg_value "$uninstall_key" "$name") || fail "the uninstall entry has no $name"
    [ "$got" = "${want[$name]}" ] || fail "the uninstall entry's $name is '$got', expected '${want[$name]}'"
done
size=$(wine_reg_value "$uninstall_key" EstimatedSize) || fail "the uninstall entry has no EstimatedSize"
[ $((size)) -gt 0 ] || fail "the uninstall entry's EstimatedSize is $size"
! reg_key_exists 'HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall\Tessaline' ||
    fail "the uninstall entry went to the 32-bit view of the registry"

[ -f "$shortcut" ] || fail "no Start-menu shortcut at $shortcut"
lnk=$(python3 scripts/lnk-info.py "$shortcut") || fail "the shortcut cannot be read"
target=$(sed -n 's/^target=//p' <<<"$lnk")
workdir=$(sed -n 's/^workdir=//p' <<<"$lnk")
[ "${target,,}" = 'c:\program files\tessaline\tessaline.exe' ] || fail "the shortcut starts '$target'"
[ "${workdir,,}" = 'c:\program files\tessaline' ] || fail "the shortcut starts the program in '$workdir'"
say "installed; the uninstall entry and the shortcut ($target in $workdir) are right"

# The program, started as the shortcut starts it: its target in its working folder.
tool_log="$work/tool.log"
TOOL_LOG_NAME=$(winepath -w "$tool_log") run_wizard_to_finish tessaline.exe "$tool_log" "$work/out.log" \
    wine start /wait /d "$workdir" "$target" || { cat "$work/out.log"; fail "the installed program did not run to Finish"; }
first=$(head -n 1 "$tool_log" | tr -d '\r')
[ "${first,,}" = 'c:\program files\tessaline\burn.exe scanbus -v 0' ] ||
    fail "the tool was run as '$first', not from the installed folder"
driver=$(wine_reg_value "$driver_key" "") || fail "no driver was stored in $driver_key"
[ "$driver" = 1 ] || fail "the stored driver is '$driver', expected 1 (generic-mmc)"
say "the installed program ran to Finish; stored driver 1 (generic-mmc)"

say "silent uninstall"
# The uninstaller copies itself to a temporary folder, starts the copy and ends at once; the copy
# does the work. Waited for with a deadline.
wine "$installdir/uninstall.exe" /S || fail "the uninstaller ended with status $?"
for _ in $(seq 600); do
    [ ! -e "$installdir" ] && ! reg_key_exists "$uninstall_key" && break
    sleep 0.1
done
left=$(cd "$program_files" && find Tessaline 2>/dev/null || true)
[ -z "$left" ] || fail "left after the uninstall: $left"
! reg_key_exists "$uninstall_key" || fail "the uninstall entry is still there"
[ ! -e "$shortcut" ] || fail "the Start-menu shortcut is still there"
driver=$(wine_reg_value "$driver_key" "") || fail "the uninstaller took the user's settings ($driver_key)"
[ "$driver" = 1 ] || fail "after the uninstall the stored driver is '$driver'"
say "uninstalled; no file, shortcut or uninstall entry left, the user's settings kept"
