#!/usr/bin/env bash
# The module as another host meets it, from the installed package alone.
#   installed-package.sh install  BUILD PREFIX         install the Module component into PREFIX
#   installed-package.sh headers  PREFIX               each public header compiles alone; Qt only in qt/
#   installed-package.sh example  PREFIX EXAMPLE WORK  build examples/host from PREFIX, run it, check its output
#   installed-package.sh symbols  PREFIX NAME...       no internal class NAME in the libraries' dynamic symbols
set -euo pipefail
step=$1; shift
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$step" in
install)
  build=$1 prefix=$2
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" --component Module >/dev/null
  for f in include/feeoffice/FeeOfficeApi.h lib/cmake/FeeOffice/FeeOfficeConfig.cmake lib/pkgconfig/feeoffice.pc; do
    [ -f "$prefix/$f" ] || fail "$f was not installed"
  done
  soname=$(objdump -p "$prefix"/lib/libfeeoffice.so | awk '/SONAME/ {print $2}')
  [[ "$soname" =~ ^libfeeoffice\.so\.0\.[0-9]+$ ]] || fail "libfeeoffice.so has the SONAME '$soname'"
  # pkg-config finds the module where it was installed, not where it was configured for.
  PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags feeoffice | grep -q -- "-I$prefix/lib/pkgconfig/../../include/feeoffice" \
    || fail "feeoffice.pc does not point into $prefix"
  ;;
headers)
  prefix=$1 inc=$1/include/feeoffice
  leaks=$(grep -rlE '#\s*include\s*<Q' "$inc" --include='*.h' | grep -v "^$inc/qt/" || true)
  [ -z "$leaks" ] || fail "Qt outside the Qt binding's headers: $leaks"
  # Alone: nothing before it, only the installed tree on the include path
  # (an internal header it includes is not there).
  cd "$inc"
  find . -name '*.h' ! -name FeeOfficeApi.h -printf '%P\n' | sort |
    xargs -P2 -I{} sh -c 'echo "#include \"{}\"" | "${CXX:-g++}" -std=c++20 -fsyntax-only -I"$1" -x c++ - 2>&1 >/dev/null | head -5 | sed "s|^|{}: |"' _ "$inc" > "$prefix/headers.log"
  [ ! -s "$prefix/headers.log" ] || { cat "$prefix/headers.log" >&2; fail "a public header does not compile alone"; }
  ;;
example)
  prefix=$1 source=$2 work=$3
  rm -rf "$work"
  cmake -S "$source" -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG=-O0 >/dev/null
  cmake --build "$work/build" -j2 >/dev/null
  tree=$(cd "$source/../.." && pwd)
  ! grep -q "$tree/src" "$work/build/build.ninja" || fail "the example was built with the source tree's headers"
  out=$("$work/build/feeoffice-example-host" "$work/office.db")
  echo "$out"
  for line in "receipt stored: SF202612080001 合计 300" "receipt voided: 作废, mirror QXSF" \
              "batch posted: JM" "减免 100, still owed 700" "window opened: frmjmjlNew" \
              "statements through the host's engine: yes"; do
    grep -qF -- "$line" <<<"$out" || fail "the example did not print '$line'"
  done
  ! grep -q "^message:" <<<"$out" || fail "the example was shown a message"
  ;;
symbols)
  prefix=$1; shift
  exported=$(nm -DC --defined-only "$prefix"/lib/libfeeoffice.so "$prefix"/lib/libfeeoffice-qt.so)
  grep -q "fo::cLsBILLhead::insertPjML" <<<"$exported" || fail "the public classes are not exported"
  for name in "$@"; do
    hit=$(grep -F -- "$name" <<<"$exported" | head -3 || true)
    [ -z "$hit" ] || fail "internal symbol exported: $hit"
  done
  ;;
*) fail "unknown step $step" ;;
esac
