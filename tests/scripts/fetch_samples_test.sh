#!/usr/bin/env bash
# scripts/fetch-samples on files made here, so it runs without the real samples and without a
# network: copies from a source folder, files already in place, refusals that leave nothing under
# the final name, and the download path through a stand-in curl serving the same files.
#   fetch_samples_test.sh PATH/TO/fetch-samples
set -euo pipefail
script=${1:?usage: fetch_samples_test.sh PATH/TO/fetch-samples}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The repository keeps a file at PATH; the table places it at PLACE (they differ on purpose).
src=$work/source served=$work/served commit=0123456789abcdef0123456789abcdef01234567
table=$work/samples.tsv
printf 'repository\tcommit\tpath\tplace\tsize\tsha256\n' >"$table"
add() { # PATH PLACE CONTENT-COMMAND...
  local path=$1 place=$2
  shift 2
  mkdir -p "$(dirname "$src/$place")" "$(dirname "$served/$path")"
  "$@" >"$src/$place"
  cp "$src/$place" "$served/$path"
  printf 'owner/repo\t%s\t%s\t%s\t%s\t%s\n' "$commit" "$path" "$place" \
    "$(stat -c %s "$src/$place")" "$(sha256sum "$src/$place" | cut -d ' ' -f 1)" >>"$table"
}
add assets/FIRST.DAT one/a/FIRST.DAT head -c 70000 /dev/urandom
add SECOND.DDF two/SECOND.DDF printf 'second file'
add 'data/with space.DAT' 'two/with space.DAT' printf 'third'
places=(one/a/FIRST.DAT two/SECOND.DDF 'two/with space.DAT')

expect_placed() { # DIR
  local place
  for place in "${places[@]}"; do
    cmp -s "$src/$place" "$1/$place" || fail "$1/$place is not the source's file"
  done
  [ -z "$(find "$1" -name '*.part.*')" ] || fail "temporary files left in $1"
}

export KEZ_SAMPLES_TABLE=$table KEZ_SAMPLES_SOURCE=$src

# Copied from the source folder to their places; a second run finds them there.
"$script" "$work/dest" >/dev/null || fail "copy from the source folder failed"
expect_placed "$work/dest"
out=$("$script" "$work/dest") || fail "second run failed"
[[ $out == *"0 copied, 3 already there"* ]] || fail "second run did not keep the files: $out"

# A damaged file in place is replaced; a damaged source is refused by name, with status 1 and
# nothing under the final name, while the other files still arrive.
printf 'X' | dd of="$work/dest/two/SECOND.DDF" bs=1 seek=3 conv=notrunc status=none
"$script" "$work/dest" >/dev/null 2>&1 || fail "a damaged file in place was not replaced"
expect_placed "$work/dest"
printf 'X' | dd of="$src/one/a/FIRST.DAT" bs=1 seek=1000 conv=notrunc status=none
status=0
err=$("$script" "$work/bad" 2>&1 >/dev/null) || status=$?
[ "$status" -eq 1 ] || fail "a damaged source gave status $status, not 1"
[[ $err == *"one/a/FIRST.DAT: refused: SHA-256"* ]] || fail "the refusal does not name the file: $err"
[ ! -e "$work/bad/one/a/FIRST.DAT" ] || fail "the refused file was left under its final name"
[ -f "$work/bad/two/SECOND.DDF" ] || fail "the other files did not arrive"
[ -z "$(find "$work/bad" -name '*.part.*')" ] || fail "temporary files left after a refusal"
printf 'X' | dd of="$work/dest/one/a/FIRST.DAT" bs=1 seek=7 conv=notrunc status=none
"$script" "$work/dest" >/dev/null 2>&1 && fail "a damaged source replaced a damaged file in place"
[ ! -e "$work/dest/one/a/FIRST.DAT" ] || fail "a damaged file in place was kept"
cp "$served/assets/FIRST.DAT" "$src/one/a/FIRST.DAT"

# Downloads: the URL is the repository, commit and path of the table's line; a failed download is
# refused by name.
mkdir "$work/bin"
cat >"$work/bin/curl" <<'EOF'
#!/usr/bin/env bash
output=''
while [ $# -gt 1 ]; do
  [ "$1" = --output ] && output=$2
  shift
done
echo "$1" >>"$URL_LOG"
path=${1#*/owner/repo/$COMMIT/}
path=$(printf '%b' "${path//%/\\x}")
[ -f "$SERVED/$path" ] || { echo "curl: (22) The requested URL returned error: 404" >&2; exit 22; }
cp "$SERVED/$path" "$output"
EOF
chmod +x "$work/bin/curl"
unset KEZ_SAMPLES_SOURCE
export URL_LOG=$work/urls SERVED=$served COMMIT=$commit PATH=$work/bin:$PATH
"$script" "$work/downloaded" >/dev/null || fail "download failed"
expect_placed "$work/downloaded"
grep -qx "https://[a-z.]*/owner/repo/$commit/data/with%20space.DAT" "$URL_LOG" ||
  fail "unexpected URLs: $(cat "$URL_LOG")"
rm "$served/SECOND.DDF" "$work/downloaded/two/SECOND.DDF"
status=0
err=$("$script" "$work/downloaded" 2>&1 >/dev/null) || status=$?
if [ "$status" -ne 1 ] || [[ $err != *"two/SECOND.DDF: refused: download"* ]]; then
  fail "a failed download gave status $status: $err"
fi

# A table line may not place a file outside the folder.
printf 'owner/repo\t%s\tx\t../escaped\t1\t%s\n' "$commit" "$(printf 'x' | sha256sum | cut -d ' ' -f 1)" \
  >>"$table"
status=0
"$script" "$work/downloaded" >/dev/null 2>&1 || status=$?
if [ "$status" -ne 2 ] || [ -e "$work/escaped" ]; then
  fail "a place outside the folder gave status $status"
fi

echo "fetch-samples: all checks passed"
