#!/usr/bin/env bash
# Builds rq27.exe for release and packs what a Windows user downloads:
#   dist/rq27-<version>-windows-x64.zip   rq27.exe, readme.txt, THIRD-PARTY-NOTICES.txt
#   dist/SHA256SUMS                       the zip's SHA-256, as sha256sum writes it
#
#   release.sh [--build-dir DIR] [--out-dir DIR]
#     --build-dir  where to build (default build/release; a former build there is removed)
#     --out-dir    where the zip and SHA256SUMS go (default dist)
#
# The zip is reproducible: the same commit gives the same bytes in any folder. Its times
# are those of the last commit (SOURCE_DATE_EPOCH, unless already set), the executable
# holds no build path and no link time (RQ27_REPRODUCIBLE), and the entries are stored in a
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
    -h | --help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
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

# A fresh build folder, so that nothing of an earlier configuration carries over. Only a
# folder that CMake made (or an empty one) is removed.
if [ -d "$build" ] && [ -n "$(ls -A "$build")" ] && [ ! -f "$build/CMakeCache.txt" ]; then
  echo "release.sh: $build is not a build folder; not removing it" >&2
  exit 2
fi
rm -rf "$build"
cmake -S "$root" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DRQ27_TESTS=OFF -DRQ27_REPRODUCIBLE=ON >/dev/null
cmake --build "$build" --target rq27 -j2

cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
version=$(cache CMAKE_PROJECT_VERSION)
cxx=$(cache CMAKE_CXX_COMPILER)
[ -n "$version" ] || { echo "release.sh: no project version in $build/CMakeCache.txt" >&2; exit 1; }
name=rq27-$version-windows-x64.zip

# The zip's contents, staged in the build folder. Texts for Windows: CR LF line ends;
# readme.txt in Shift-JIS (code page 932), which Japanese Windows opens without asking.
stage=$build/package
mkdir -p "$stage"
cp "$build/Unit1/rq27.exe" "$stage/rq27.exe"
sed "s/@VERSION@/$version/g" "$root/release/readme.utf8.txt" | iconv -f UTF-8 -t CP932 |
  sed 's/$/\r/' >"$stage/readme.txt"
bash "$root/tools/third-party-notices.sh" "$cxx" | sed 's/$/\r/' >"$stage/THIRD-PARTY-NOTICES.txt"

# Fixed modes and times (zip stores local time: UTC here, so the time zone does not count),
# entries in a fixed order, no extra fields (-X: no owner ids, no extended times).
entries=(rq27.exe readme.txt THIRD-PARTY-NOTICES.txt)
(
  cd "$stage"
  chmod 644 "${entries[@]}"
  TZ=UTC0 touch -d "@$SOURCE_DATE_EPOCH" "${entries[@]}"
  rm -f "$name"
  TZ=UTC0 zip -X -9 -q "$name" "${entries[@]}"
)
mkdir -p "$out"
mv "$stage/$name" "$out/$name"
(cd "$out" && sha256sum "$name" >SHA256SUMS)
echo "$out/$name"
cat "$out/SHA256SUMS"
