#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over the sources, two files at
# a time, and fails (status 1) on any finding.
#
#   scripts/tidy.sh [-p BUILD_FOLDER] [-j JOBS] [FILE...]
#
# Without FILEs every .cpp of src/, tests/, bench/ and resources/build/ is
# checked, and the findings of the headers they include with them.  With
# FILEs only those are checked and only their findings are reported; a
# header is checked through the .cpp files that include it.
#
# The build folder must hold compile_commands.json (every configure of this
# project writes it); by default the first of build-dev, build-rel and build
# that has one.  Qt's generated files of the tests (their .moc) are made
# first (without building the libraries).  Status 2 for a usage or set-up error.
set -euo pipefail
cd "$(dirname "$0")/.."

build=""
jobs=2
while getopts "p:j:h" opt; do
  case $opt in
    p) build=$OPTARG ;;
    j) jobs=$OPTARG ;;
    *) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

if [ -z "$build" ]; then
  for b in build-dev build-rel build; do
    if [ -f "$b/compile_commands.json" ]; then build=$b; break; fi
  done
fi
if [ -z "$build" ] || [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy.sh: no build folder with compile_commands.json; configure one first, e.g." >&2
  echo "  cmake -S . -B build-dev -DCMAKE_BUILD_TYPE=Debug" >&2
  exit 2
fi
tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
if [ -z "$tidy" ]; then
  echo "tidy.sh: clang-tidy is not installed (Debian: apt-get install clang-tidy)" >&2
  exit 2
fi

# The translation units of the project, as compile_commands.json names them.
root=$PWD
mapfile -t units < <(python3 - "$build/compile_commands.json" "$root" <<'EOF'
import json, os, sys
root = sys.argv[2]
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    rel = os.path.relpath(path, root)
    if rel.split(os.sep)[0] in ("src", "tests", "bench", "resources") and rel not in seen:
        seen.add(rel)
        print(rel)
EOF
)

# What to check, and whose findings to report (empty: everyone's).
report=()
if [ $# -eq 0 ]; then
  check=("${units[@]}")
else
  check=()
  for f in "$@"; do
    f=$(realpath --relative-to="$root" "$f")
    if [ ! -f "$f" ]; then echo "tidy.sh: no file $f" >&2; exit 2; fi
    report+=("$f")
    case $f in
      *.cpp) check+=("$f") ;;
      *.h)
        # The .cpp files that include a header of that name (some names recur
        # in several rooms: only the findings of the given file are reported).
        name=$(basename "$f")
        for u in "${units[@]}"; do
          if grep -qE "#include \"([^\"]*/)?${name//./\\.}\"" "$u"; then check+=("$u"); fi
        done ;;
      *) echo "tidy.sh: $f is neither a .cpp nor a .h file" >&2; exit 2 ;;
    esac
  done
  mapfile -t check < <(printf '%s\n' "${check[@]}" | sort -u)
fi
if [ ${#check[@]} -eq 0 ]; then
  echo "tidy.sh: no translation unit to check" >&2
  exit 2
fi

# The tests include their moc output.  It is made (or brought up to date) here
# by CMake's own moc step of each test program: the build's *_autogen targets
# would first build the libraries the programs link.
if printf '%s\n' "${check[@]}" | grep -q '^tests/'; then
  builddir=$(cd "$build" && pwd)
  config=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$builddir/CMakeCache.txt")
  while IFS= read -r info; do
    target=$(basename "$(dirname "$info")" .dir)
    (cd "${info%/CMakeFiles/*}" && cmake -E cmake_autogen "$info" "$config" >/dev/null) \
      || { echo "tidy.sh: the moc step of ${target%_autogen} failed" >&2; exit 2; }
  done < <(find "$builddir/tests" -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json' 2>/dev/null)
fi

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "clang-tidy over ${#check[@]} files ($build, $jobs at a time)..." >&2
# Each file's findings go to a file of their own; clang-tidy's own failure
# (a file that does not compile) is kept too.
printf '%s\n' "${check[@]}" | xargs -P "$jobs" -I{} sh -c '
  log="$2/$(echo "$3" | tr / _).log"
  "$0" -p "$1" --quiet "$3" >"$log" 2>&1 || echo "clang-tidy failed on $3" >>"$log"' \
  "$tidy" "$build" "$out" {}

# Findings: "file:line:col: warning: text [check]" and errors, each once
# (a header's findings come with every file that includes it).
cat "$out"/*.log | grep -E '^[^ ]+:[0-9]+:[0-9]+: (warning|error): |^clang-tidy failed on ' \
  | sed "s|^$root/||" | sort -u | sort -t: -k1,1 -k2,2n -k3,3n >"$out/all" || true
if [ ${#report[@]} -gt 0 ]; then
  { printf '%s\n' "${report[@]}" | sed 's/[.[\*^$]/\\&/g; s/.*/^&:/'; echo '^clang-tidy failed on '; } >"$out/wanted"
  grep -f "$out/wanted" "$out/all" >"$out/findings" || true
else
  cp "$out/all" "$out/findings"
fi

count=$(wc -l <"$out/findings")
if [ "$count" -gt 0 ]; then
  # The full text (notes, source lines) of each finding is in clang-tidy's output;
  # the list gives where and which check.
  cat "$out/findings"
  echo "tidy.sh: $count findings" >&2
  exit 1
fi
echo "tidy.sh: no findings in ${#check[@]} files" >&2
