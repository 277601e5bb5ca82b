#!/usr/bin/env bash
# Installs what is missing, then builds everything and runs every test:
# the native build, the sanitizer build, a plain Clang build, the Windows build under Wine
# with the release zips (64- and 32-bit, built twice, compared and their programs run),
# and the fuzzers; the benchmarks are compiled, not run.
set -euo pipefail
cd "$(dirname "$0")/.."
groups=(core asan clang)
[ -f tests/wine/run-gui-tests.sh ] && groups+=(windows windows32 release)
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

  step "release zips (64- and 32-bit): built twice in two folders and compared, then unpacked and checked"
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
  cmp dist/SHA256SUMS "$release_work/src/dist/SHA256SUMS" ||
    { echo "the two release builds differ" >&2; exit 1; }
  (cd dist && sha256sum -c --quiet SHA256SUMS)
  [ "$(cut -d' ' -f3 dist/SHA256SUMS | tr '\n' ' ')" = \
    "rq27-$version-windows-x64.zip rq27-$version-windows-x86.zip " ] ||
    { echo "SHA256SUMS does not name both zips: $(cut -d' ' -f3 dist/SHA256SUMS | tr '\n' ' ')" >&2; exit 1; }

  # Each zip, with its architecture: objdump's file format, the manifest's
  # processorArchitecture, and Debian's name for it in the packages the notices come from.
  for target in x64:pei-x86-64:amd64:x86-64 x86:pei-i386:x86:i686; do
    IFS=: read -r arch format manifest_arch package_arch <<<"$target"
    zip=rq27-$version-windows-$arch.zip
    cmp "dist/$zip" "$release_work/src/dist/$zip" || { echo "the two builds of $zip differ" >&2; exit 1; }
    echo "same $zip from both builds: $(grep -F " $zip" dist/SHA256SUMS | cut -d' ' -f1), $(stat -c %s "dist/$zip") bytes"

    unpacked=$release_work/unpacked-$arch
    unzip -q "dist/$zip" -d "$unpacked"
    [ "$(unzip -Z1 "dist/$zip" | tr '\n' ' ')" = \
      "rq27.exe rq27.bat readme.txt LICENSE.txt THIRD-PARTY-NOTICES.txt " ] ||
      { echo "$zip: unexpected entries: $(unzip -Z1 "dist/$zip" | tr '\n' ' ')" >&2; exit 1; }
    # The texts for Windows: CR LF on every line, the last one included, and no other CR.
    for text in readme.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
      lines=$(wc -l <"$unpacked/$text")
      [ "$lines" -gt 0 ] && [ "$(grep -c $'\r$' "$unpacked/$text")" = "$lines" ] &&
        [ "$(tr -cd '\r' <"$unpacked/$text" | wc -c)" = "$lines" ] &&
        [ "$(tail -c 2 "$unpacked/$text" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
        { echo "$zip: $text: not every line ends in CR LF" >&2; exit 1; }
    done
    # LICENSE.txt: the repository's LICENSE, byte for byte but for the line ends.
    cmp -s <(tr -d '\r' <"$unpacked/LICENSE.txt") LICENSE ||
      { echo "$zip: LICENSE.txt is not LICENSE with CR LF" >&2; exit 1; }
    # rq27.bat, which the host starts: its bytes as the host and cmd read them.
    bash tools/check-launcher.sh "$unpacked/rq27.bat" "$version"
    # readme.txt: Shift-JIS (code page 932), the version and the zip's name in it.
    iconv -f CP932 -t UTF-8 "$unpacked/readme.txt" >"$release_work/readme-$arch.utf8.txt"
    grep -qF "バージョン $version" "$release_work/readme-$arch.utf8.txt" ||
      { echo "$zip: readme.txt does not name version $version" >&2; exit 1; }
    grep -qF "certutil -hashfile $zip SHA256" "$release_work/readme-$arch.utf8.txt" ||
      { echo "$zip: readme.txt does not name $zip for certutil" >&2; exit 1; }
    # Every line fits 72 columns as Windows shows the readme: in Shift-JIS a character of
    # two bytes is full-width (two columns), one of one byte (ASCII, half-width katakana)
    # takes one, so a line's columns are its bytes.
    wide=$(LC_ALL=C awk '{ sub(/\r$/, "") } length($0) > 72 { print NR }' "$unpacked/readme.txt")
    for n in $wide; do
      echo "$zip: readme.txt: line $n is wider than 72 columns: $(sed -n "${n}p" "$release_work/readme-$arch.utf8.txt")" >&2
    done
    [ -z "$wide" ] || exit 1
    for part in ZPL-2.1 winpthreads 'GCC RUNTIME LIBRARY EXCEPTION' "package mingw-w64-$package_arch-dev" \
        "package gcc-mingw-w64-$package_arch-posix"; do
      grep -qF "$part" "$unpacked/THIRD-PARTY-NOTICES.txt" ||
        { echo "$zip: THIRD-PARTY-NOTICES.txt lacks $part" >&2; exit 1; }
    done
    got_format=$(LC_ALL=C x86_64-w64-mingw32-objdump -f "$unpacked/rq27.exe" | sed -n 's/.*file format //p')
    [ "$got_format" = "$format" ] || { echo "$zip: rq27.exe is $got_format, not $format" >&2; exit 1; }
    # The 32-bit program may use more than 2 GB of address space.
    headers=$(LC_ALL=C x86_64-w64-mingw32-objdump -p "$unpacked/rq27.exe")
    if [ "$arch" = x86 ] && ! grep -q 'large address aware' <<<"$headers"; then
      echo "$zip: rq27.exe is not large address aware" >&2
      exit 1
    fi
    # The executable's version resource gives the version that "rq27 --version" prints.
    resource=$(x86_64-w64-mingw32-windres -i "$unpacked/rq27.exe" -O rc)
    file_version=$(sed -n 's/^ *FILEVERSION \([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1.\2.\3.\4/p' <<<"$resource")
    grep -qF "VALUE \"ProductVersion\", \"$version.0\"" <<<"$resource" ||
      { echo "$zip: rq27.exe: product version is not $version" >&2; exit 1; }
    [ "$file_version" = "$version.0" ] ||
      { echo "$zip: rq27.exe: file version $file_version, rq27 --version $version" >&2; exit 1; }
    # readme.txt tells the file version that Explorer shows: the resource's FILEVERSION.
    grep -qF "$file_version と表示されます" "$release_work/readme-$arch.utf8.txt" ||
      { echo "$zip: readme.txt does not give the file version $file_version that Explorer shows" >&2; exit 1; }
    grep -qF "name=\"\"rq27\"\" version=\"\"$version.0\"\" processorArchitecture=\"\"$manifest_arch\"\"" \
      <<<"$resource" ||
      { echo "$zip: rq27.exe: the manifest does not carry version $version.0 and architecture $manifest_arch" >&2; exit 1; }
    echo "$zip: $format; version $version everywhere: rq27 --version, the exe's resource, readme.txt, the zip's name"
  done

  step "Windows unit tests, the dialog and the released 64-bit rq27.exe under Wine"
  RQ27_RELEASE_EXE=$release_work/unpacked-x64/rq27.exe bash tests/wine/run-gui-tests.sh

  # The same script for the 32-bit program from its zip: its main cases (no unit tests,
  # which run for the 64-bit build; the code is the same).
  step "the released 32-bit rq27.exe under Wine's 32-bit half: golden files and the main dialog cases"
  RQ27_EXE=$release_work/unpacked-x86/rq27.exe RQ27_RELEASE_EXE=$release_work/unpacked-x86/rq27.exe \
    RQ27_MINGW_BUILD= RQ27_CASES=main RQ27_WINE_OUT=build/wine-gui-x86 bash tests/wine/run-gui-tests.sh
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
