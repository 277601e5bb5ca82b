#!/usr/bin/env bash
# Builds rq27.exe for 64-bit and for 32-bit Windows and packs what a Windows user downloads:
#   dist/rq27-<version>-windows-x64.zip   64-bit rq27.exe, rq27.bat (what the host starts),
#                                         readme.txt, LICENSE.txt, THIRD-PARTY-NOTICES.txt
#   dist/rq27-<version>-windows-x86.zip   the same with the 32-bit rq27.exe
#   dist/SHA256SUMS                       both zips' SHA-256, as sha256sum writes them
#
#   release.sh [--build-dir DIR] [--out-dir DIR]
#     --build-dir  where to build (default build/release; DIR/x64 and DIR/x86, a former
#                  build there is removed)
#     --out-dir    where the zips and SHA256SUMS go (default dist)
#
# The zips are reproducible: the same commit gives the same bytes in any folder. Their times
# are those of the last commit (SOURCE_DATE_EPOCH, unless already set), the executables
# hold no build path and no link time (RQ27_REPRODUCIBLE), and the entries are stored in a
# fixed order with fixed times and modes and no extra fields. The version is the project's
# (project(VERSION) in CMakeLists.txt), read from the configured build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/release
out=$root/dist
while [ $# -gt 0 ]; do
  case $1 in
    --build-dir) build=$(realpath -m "$2"); shift 2 ;;
    --out-dir) out=$(realpath -m "$2"); shift 2 ;;
    -h | --help) sed -n '2,10s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "release.sh: unknown argument $1 (see --help)" >&2; exit 2 ;;
  esac
done
bash "$root/tools/install-deps.sh" release

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || {
    echo "release.sh: not a git checkout; set SOURCE_DATE_EPOCH to the sources' time" >&2
    exit 2
  }
fi
export SOURCE_DATE_EPOCH
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "release.sh: warning: uncommitted changes; the zip is not that of the last commit" >&2
fi

# package ARCH TOOLCHAIN: builds rq27.exe with cmake/TOOLCHAIN in $build/ARCH and writes
# its zip to $build/ARCH/package; sets ZIP to the zip's path.
package() {
  local arch=$1 toolchain=$2
  local dir=$build/$arch
  # A fresh build folder, so that nothing of an earlier configuration carries over. Only a
  # folder that CMake made (or an empty one) is removed.
  if [ -d "$dir" ] && [ -n "$(ls -A "$dir")" ] && [ ! -f "$dir/CMakeCache.txt" ]; then
    echo "release.sh: $dir is not a build folder; not removing it" >&2
    exit 2
  fi
  rm -rf "$dir"
  cmake -S "$root" -B "$dir" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DRQ27_TESTS=OFF -DRQ27_REPRODUCIBLE=ON >/dev/null
  cmake --build "$dir" --target rq27 -j2

  local version cxx
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$dir/CMakeCache.txt")
  # The compiler that built it (a toolchain file's compiler is not in the cache).
  cxx=$(sed -n 's/^set(CMAKE_CXX_COMPILER "\(.*\)")$/\1/p' "$dir"/CMakeFiles/*/CMakeCXXCompiler.cmake)
  [ -n "$version" ] || { echo "release.sh: no project version in $dir/CMakeCache.txt" >&2; exit 1; }
  [ -x "$cxx" ] || { echo "release.sh: no compiler found in $dir/CMakeFiles" >&2; exit 1; }
  local name=rq27-$version-windows-$arch.zip

  # The zip's contents, staged in the build folder. Texts for Windows: CR LF line ends;
  # readme.txt and rq27.bat in Shift-JIS (code page 932): Japanese Windows opens the readme
  # without asking, and the host reads the batch file's directives in that code page.
  # LICENSE.txt is the repository's LICENSE. The notices come from the packages of the
  # compiler that built this program.
  local stage=$dir/package
  mkdir -p "$stage"
  cp "$dir/Unit1/rq27.exe" "$stage/rq27.exe"
  sed "s/@VERSION@/$version/g; s/@ZIP@/$name/g" "$root/release/readme.utf8.txt" |
    iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$stage/readme.txt"
  sed "s/@VERSION@/$version/g" "$root/release/rq27.utf8.bat" |
    iconv -f UTF-8 -t CP932 | sed 's/$/\r/' >"$stage/rq27.bat"
  sed 's/$/\r/' "$root/LICENSE" >"$stage/LICENSE.txt"
  bash "$root/tools/third-party-notices.sh" "$cxx" | sed 's/$/\r/' >"$stage/THIRD-PARTY-NOTICES.txt"

  # Fixed modes and times (zip stores local time: UTC here, so the time zone does not count),
  # entries in a fixed order, no extra fields (-X: no owner ids, no extended times).
  local entries=(rq27.exe rq27.bat readme.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)
  (
    cd "$stage"
    chmod 644 "${entries[@]}"
    TZ=UTC0 touch -d "@$SOURCE_DATE_EPOCH" "${entries[@]}"
    rm -f "$name"
    TZ=UTC0 zip -X -9 -q "$name" "${entries[@]}"
  )
  ZIP=$stage/$name
}

zips=()
for target in x64:mingw-w64-x86_64.cmake x86:mingw-w64-i686.cmake; do
  package "${target%%:*}" "${target#*:}"
  zips+=("$ZIP")
done
mkdir -p "$out"
names=()
for zip in "${zips[@]}"; do
  mv "$zip" "$out/"
  names+=("$(basename "$zip")")
  echo "$out/$(basename "$zip")"
done
(cd "$out" && sha256sum "${names[@]}" >SHA256SUMS)
cat "$out/SHA256SUMS"
