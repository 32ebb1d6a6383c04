#!/usr/bin/env bash
# The Windows installer as a user meets it, under wine in the build's
# prefix: a silent install with the PATH component into a scratch folder,
# the installed command line answers with its version, the Start-menu entry
# and the uninstaller's registration exist; the silent uninstaller then
# leaves no folder, no entry, no registration and PATH as it was.
#   tests/install/WindowsInstallerTest.sh <Windows build folder>
set -euo pipefail
build=$(realpath "$1")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup=$build/package/podzial-$version-setup.exe
[ -f "$setup" ] || { echo "Brak instalatora $setup (scripts/package-windows)" >&2; exit 1; }

export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEDEBUG=-all
# No menu entries of the build machine's desktop for the Start-menu link.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
drive=$WINEPREFIX/drive_c
folder=$drive/podzial-installer-test
link="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Podział plików z danymi opisowymi.lnk"
uninst_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Podzial'
env_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'

failures=0
check() {  # check <what> <command...>
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "BŁĄD: $what" >&2
    failures=$((failures + 1))
  fi
}
path_value() { wine reg query "$env_key" /v Path 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p'; }
registered() { wine reg query "$uninst_key" /v DisplayName >/dev/null 2>&1; }
gone() { [ ! -e "$folder" ] && [ ! -e "$link" ] && ! registered; }

rm -rf "$folder"
path_before=$(path_value)
[ -n "$path_before" ] || { echo "Brak zmiennej PATH w prefiksie wine" >&2; exit 1; }

wine "$setup" /S /PATH '/D=C:\podzial-installer-test' </dev/null
for f in podzial.exe podzial-cli.exe odinstaluj.exe CZYTAJ.txt; do
  check "zainstalowany $f" test -f "$folder/$f"
done
answer=$(wine 'C:\podzial-installer-test\podzial-cli.exe' --version </dev/null | tr -d '\r')
check "podzial-cli --version: $answer" test "$answer" = "podzial-cli $version"
check "skrót w menu Start" test -f "$link"
check "wpis w Programy i funkcje" registered
path_installed=$(path_value)
check "PATH z folderem programu" test "$path_installed" = "$path_before;C:\\podzial-installer-test"

# The uninstaller copies itself to the temporary folder and returns at once:
# its work is waited for.
wine 'C:\podzial-installer-test\odinstaluj.exe' /S </dev/null
for _ in $(seq 100); do
  gone && break
  sleep 0.2
done
check "folder usunięty" test ! -e "$folder"
check "skrót usunięty" test ! -e "$link"
unregistered() { ! wine reg query "$uninst_key" >/dev/null 2>&1; }
check "wpis usunięty" unregistered
check "PATH jak przed instalacją" test "$(path_value)" = "$path_before"

if [ "$failures" -gt 0 ]; then
  echo "Test instalatora: $failures błędów" >&2
  exit 1
fi
echo "Test instalatora: zaliczony ($(du -k "$setup" | cut -f1) KB)"
