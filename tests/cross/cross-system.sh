#!/usr/bin/env bash
# Files written on one system are read on the other. A database divided
# by the Linux build is checked by the Windows build (every chain walked,
# then divided again, which reads every row and record and verifies the
# copy), and what the Windows build wrote is checked and divided again by
# the Linux build. Both builds print the same bytes for the same command.
#   cross-system.sh LINUX_BUILD WINDOWS_BUILD
set -euo pipefail
linux=$1
windows=$2
lcli=$linux/cli/podzial-cli
lgen=$linux/tools/demodb/podzial-gen
wrun=$windows/wine-run
wcli=$windows/cli/podzial-cli.exe
work=$(mktemp -d "$windows/cross.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "BŁĄD: $*" >&2
  exit 1
}
# A division that kept the old files for rows still pointing at them (the
# generator's marker rows) completes with warnings: exit code 3.
divided() {
  local code=0
  "$@" || code=$?
  [ "$code" -eq 0 ] || [ "$code" -eq 3 ]
}
sets=(opisy.dat opisyv.dat dokopisy.dat)

# Linux writes: a Tolm database divided into 1 MB files.
mkdir "$work/db"
"$lgen" tolm "$work/db" --mb 6 --seed 3 >/dev/null
divided "$lcli" preset tolm "$work/db" --max-mb 1 --delete-old >/dev/null
ls "$work/db"/opisy.001 >/dev/null || fail "Linux nie utworzył plików kontynuacji"

# The same command, the same bytes: text with Polish letters and "\n".
cd "$work/db"
for args in "info opisy.dat" "check opisy.dat" "probe opisy.dat"; do
  "$lcli" $args >"$work/linux.out" 2>&1 || true
  "$wrun" "$wcli" $args >"$work/windows.out" 2>&1 || true
  cmp "$work/linux.out" "$work/windows.out" || fail "różne wyjście: podzial-cli $args"
done
"$wrun" "$wcli" info brak.dat >"$work/windows.out" 2>&1 && fail "Windows: info brak.dat się udało"
grep -q "^Błąd: brak.dat: nie można otworzyć pliku" "$work/windows.out" ||
  fail "Windows: brak polskiego komunikatu: $(cat "$work/windows.out")"
cd - >/dev/null

# Windows reads what Linux wrote, then writes a division of its own.
for f in "${sets[@]}"; do
  "$wrun" "$wcli" check "Z:$work/db/$f" >/dev/null || fail "Windows: check $f"
done
divided "$wrun" "$wcli" preset tolm "Z:$work/db" --max-mb 2 --delete-old --json >"$work/windows.json" ||
  fail "Windows: podział bazy z Linuksa"
grep -q '"ran":true' "$work/windows.json" || fail "Windows nie podzielił żadnej tabeli"
[ "$(grep -o '"dropped":[0-9]*' "$work/windows.json" | sort -u)" = '"dropped":0' ] ||
  fail "Windows zgubił odwołania: $(cat "$work/windows.json")"

# Linux reads what Windows wrote.
for f in "${sets[@]}"; do
  "$lcli" check "$work/db/$f" >/dev/null || fail "Linux: check $f"
done
divided "$lcli" preset tolm "$work/db" --max-mb 1 --delete-old --json >"$work/linux.json" ||
  fail "Linux: podział bazy z Windows"
[ "$(grep -o '"dropped":[0-9]*' "$work/linux.json" | sort -u)" = '"dropped":0' ] ||
  fail "Linux zgubił odwołania: $(cat "$work/linux.json")"
echo "Linux -> Windows -> Linux: zgodne"
