#!/bin/sh
# Checks skn-build and skn-list from outside: help, refusals with non-zero exits, and a package
# whose directory lists the members under their upper-cased, space-padded names.
# Usage: skn_tools_test.sh SKN-BUILD SKN-LIST
set -u
build=$1
list=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect_code() {  # expected code, then the command
  want=$1; shift
  "$@" >"$work/out" 2>"$work/err"; got=$?
  [ "$got" -eq "$want" ] || fail "'$*' exited $got, wanted $want: $(cat "$work/err")"
}

expect_code 0 "$build" --help
grep -q 'usage: skn-build' "$work/out" || fail "skn-build --help prints no usage"
expect_code 0 "$list" --help
grep -q 'usage: skn-list' "$work/out" || fail "skn-list --help prints no usage"

printf '<brand><title>t</title><code>6</code></brand>' > "$work/Brand.xml"
printf 'KPZ\0pixels' > "$work/face01.kpz"
printf 'KPZ\0bar' > "$work/bar.kpz"
: > "$work/empty.kpz"
printf 'x' > "$work/averyveryverylongname1.kpz"
printf 'x' > "$work/ext.kpzz"

expect_code 2 "$build"
expect_code 2 "$build" "$work/Brand.xml"
expect_code 2 "$build" --skip 0 -o "$work/p.skn" "$work/Brand.xml"
expect_code 2 "$build" --bogus -o "$work/p.skn" "$work/Brand.xml"
expect_code 1 "$build" -o "$work/p.skn" "$work/missing.kpz"
expect_code 1 "$build" -o "$work/p.skn" "$work/empty.kpz"
expect_code 1 "$build" -o "$work/p.skn" "$work/averyveryverylongname1.kpz"
expect_code 1 "$build" -o "$work/p.skn" "$work/ext.kpzz"
cp "$work/bar.kpz" "$work/BAR.kpz"
expect_code 1 "$build" -o "$work/p.skn" "$work/bar.kpz" "$work/BAR.kpz"
grep -q 'same member name' "$work/err" || fail "duplicate names not reported"
[ -e "$work/p.skn" ] && fail "a refused build left a package behind"
expect_code 1 "$build" -o "$work/nofolder/p.skn" "$work/bar.kpz"

expect_code 0 "$build" --skip 3 -o "$work/p.skn" "$work/Brand.xml" "$work/face01.kpz" "$work/bar.kpz"
expect_code 0 "$list" "$work/p.skn"
cat > "$work/want" <<'LIST'
skip 3
entries 3
0 "BRAND               .XML" 110 45
1 "FACE01              .KPZ" 155 10
2 "BAR                 .KPZ" 165 7
LIST
cmp -s "$work/out" "$work/want" || fail "listing differs: $(cat "$work/out")"
size=$(wc -c < "$work/p.skn")
[ "$size" -eq 172 ] || fail "package is $size bytes, wanted 172"

# The lister refuses what the program would refuse.
expect_code 1 "$list" "$work/missing.skn"
printf '\0abc' > "$work/zero.skn"
expect_code 1 "$list" "$work/zero.skn"
printf '\001abc\0\0\0\0' > "$work/noentries.skn"
expect_code 1 "$list" "$work/noentries.skn"
head -c 120 "$work/p.skn" > "$work/cut.skn"
expect_code 1 "$list" "$work/cut.skn"
head -c 171 "$work/p.skn" > "$work/short.skn"
expect_code 1 "$list" "$work/short.skn"
grep -q '"BAR                 .KPZ" 165 7 outside' "$work/out" || fail "no 'outside' mark: $(cat "$work/out")"

[ "$failures" -eq 0 ] && echo "all skn tool checks passed"
[ "$failures" -eq 0 ]
