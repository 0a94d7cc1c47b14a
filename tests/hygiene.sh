#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the repository itself must keep: no committed symbolic link that points
# outside it (a build machine's path means nothing on a school's computer), and
# a valid licence line in every file that can hold one.
#   hygiene.sh <source-dir>
set -uo pipefail
cd "$1" || exit 1
command -v git >/dev/null && git rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
    { echo "SKIP: not a git checkout"; exit 77; }
root=$(pwd -P)
status=0
fail() { echo "FAIL: $*"; status=1; }

# Licence texts, package metadata in formats of their own, data without comments.
exempt='^(LICENSE|.*/LICENSE|README\.md|assets/package/(changelog|copyright|lintian-overrides|conffiles)|.*\.(png|wav|json))$'
valid='SPDX-License-Identifier: (GPL-3\.0-or-later|CC-BY-SA-4\.0|CC0-1\.0)( -->)?$'

while IFS= read -r -d '' path; do
    if [ -L "$path" ]; then
        target=$(readlink "$path")
        case "$target" in
        /*) resolved=$(realpath -m "$target") ;;
        *) resolved=$(realpath -m "$root/$(dirname "$path")/$target") ;;
        esac
        case "$resolved" in
        "$root"/*) ;;
        *) fail "$path is a link out of the repository, to $target" ;;
        esac
        continue
    fi
    [ -f "$path" ] && ! [[ $path =~ $exempt ]] || continue
    line=$(head -n 5 "$path" | grep -a -m 1 'SPD[X]')
    [[ $line =~ $valid ]] || fail "$path has no valid licence line${line:+: $line}"
done < <(git ls-files -z)
# A formatter may also have mangled a licence line further down a file.
while IFS= read -r hit; do
    [[ $hit =~ $valid ]] || fail "a mangled licence line: $hit"
done < <(git grep -n -I 'SPD[X]' -- . ':!tests/hygiene.sh')
[ "$status" -eq 0 ] && echo "ok: no outward links, every file has its licence line"
exit "$status"
