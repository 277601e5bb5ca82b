#!/usr/bin/env bash
# Installs what is missing, then builds everything and runs every test:
# the native build, the sanitizer build, a plain Clang build, the Windows build under Wine
# with the release zip (built twice, compared and its program run), and the fuzzers; the
# benchmarks are compiled, not run.
set -euo pipefail
cd "$(dirname "$0")/.."
groups=(core asan clang)
[ -f tests/wine/run-gui-tests.sh ] && groups+=(windows release)
[ -f fuzz/CMakeLists.txt ] && groups+=(fuzz)
[ -f bench/CMakeLists.txt ] && groups+=(bench)
bash tools/install-deps.sh "${groups[@]}"

step() { printf '\n==== %s\n' "$*"; }

step "native build and tests"
cmake --preset default >/dev/null
cmake --build --preset default
ctest --preset default

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake --preset asan >/dev/null
cmake --build --preset asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan

step "plain Clang Release build (no presets; warnings as errors, as everywhere in CI)"
rm -rf build/plain-clang
cmake -S . -B build/plain-clang -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Release \
  -DRQ27_WERROR=ON >/dev/null
cmake --build build/plain-clang -j2

if [ -f tests/wine/run-gui-tests.sh ]; then
  step "Windows build (MinGW-w64)"
  cmake --preset mingw >/dev/null
  cmake --build --preset mingw

  step "release zip: built twice in two folders and compared, then unpacked and checked"
  release_work=$(mktemp -d /tmp/rq27-release.XXXXXX)
  trap 'rm -rf "$release_work"' EXIT
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
  bash tools/release.sh
  # The second build: a copy of the sources (as they are, changes included) elsewhere, so
  # that neither the source nor the build folder is the same.
  mkdir "$release_work/src"
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -f "$f" ] && printf '%s\0' "$f"; done |
    xargs -0 cp --parents -t "$release_work/src"
  bash "$release_work/src/tools/release.sh"
  version=$(build/default/Unit1/rq27 --version)
  version=${version#rq27 }
  zip=rq27-$version-windows-x64.zip
  cmp "dist/$zip" "$release_work/src/dist/$zip" && cmp dist/SHA256SUMS "$release_work/src/dist/SHA256SUMS" ||
    { echo "the two release builds differ" >&2; exit 1; }
  (cd dist && sha256sum -c --quiet SHA256SUMS)
  echo "same zip from both builds: $(cut -d' ' -f1 dist/SHA256SUMS), $(stat -c %s "dist/$zip") bytes"

  unpacked=$release_work/unpacked
  unzip -q "dist/$zip" -d "$unpacked"
  [ "$(unzip -Z1 "dist/$zip" | tr '\n' ' ')" = "rq27.exe readme.txt THIRD-PARTY-NOTICES.txt " ] ||
    { echo "unexpected entries: $(unzip -Z1 "dist/$zip" | tr '\n' ' ')" >&2; exit 1; }
  # readme.txt: Shift-JIS (code page 932), CR LF on every line, the version in it.
  iconv -f CP932 -t UTF-8 "$unpacked/readme.txt" >"$release_work/readme.utf8.txt"
  [ "$(grep -c $'\r$' "$unpacked/readme.txt")" = "$(wc -l <"$unpacked/readme.txt")" ] ||
    { echo "readme.txt: not every line ends in CR LF" >&2; exit 1; }
  grep -qF "バージョン $version" "$release_work/readme.utf8.txt" ||
    { echo "readme.txt does not name version $version" >&2; exit 1; }
  for part in ZPL-2.1 winpthreads 'GCC RUNTIME LIBRARY EXCEPTION'; do
    grep -qF "$part" "$unpacked/THIRD-PARTY-NOTICES.txt" ||
      { echo "THIRD-PARTY-NOTICES.txt lacks $part" >&2; exit 1; }
  done
  # The executable's version resource gives the version that "rq27 --version" prints.
  resource=$(x86_64-w64-mingw32-windres -i "$unpacked/rq27.exe" -O rc)
  file_version=$(sed -n 's/^ *FILEVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' <<<"$resource")
  printf '%s' "$resource" | grep -qF "VALUE \"ProductVersion\", \"$version.0\"" ||
    { echo "rq27.exe: product version is not $version" >&2; exit 1; }
  [ "$file_version" = "$version.0" ] ||
    { echo "rq27.exe: file version $file_version, rq27 --version $version" >&2; exit 1; }
  printf '%s' "$resource" | grep -qF "name=\"\"rq27\"\" version=\"\"$version.0\"\"" ||
    { echo "rq27.exe: the manifest does not carry version $version.0" >&2; exit 1; }
  echo "version $version everywhere: rq27 --version, the exe's resource, readme.txt, $zip"

  step "Windows unit tests, the dialog and the released rq27.exe under Wine"
  RQ27_RELEASE_EXE=$unpacked/rq27.exe bash tests/wine/run-gui-tests.sh
fi

if [ -f fuzz/run-fuzzers.sh ]; then
  step "bounded fuzzing"
  bash fuzz/run-fuzzers.sh
fi
if [ -f bench/CMakeLists.txt ]; then
  step "benchmarks compile (bench/run times them; they are not run here)"
  cmake --preset bench >/dev/null
  cmake --build --preset bench
fi
step "all checks passed"
