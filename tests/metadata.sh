#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the freedesktop and AppStream validators on the program's metadata;
# any error or warning fails.
#   metadata.sh <assets-dir> <app-id>
set -uo pipefail
assets=$1 id=$2
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
status=0
out=$(desktop-file-validate "$assets/$id.desktop" "$assets/example.dieci.registro.desktop" 2>&1) ||
    status=1
[ -z "$out" ] || { echo "$out"; status=1; }
out=$(appstreamcli validate --no-net --explain "$assets/$id.metainfo.xml" 2>&1) || status=1
echo "$out"
grep -qE '^(E|W):' <<<"$out" && status=1
exit $status
