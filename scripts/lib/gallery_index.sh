#!/usr/bin/env bash
# Writes OUT/index.html: a table of the setup's states (rows) in each language at each display
# scale (columns, the scales of a language side by side) from the pictures in
# OUT/gallery/<language>/<scale>/<state>.png; the first language is also shown at 200 %. A picture that is not there is named as missing,
# so that a reviewer sees what the run could not show.
# Usage: gallery_index.sh OUT
set -euo pipefail
out=$1
[ -d "$out/gallery" ] || { echo "gallery_index: no $out/gallery folder" >&2; exit 2; }

languages=(en de es fr it ja)
# language/scale of every column
columns=()
for lang in "${languages[@]}"; do
    columns+=("$lang/100" "$lang/150")
    [ "$lang" != en ] || columns+=("$lang/200")
done
# state file and what it shows
states=(
    "warning-1|Start-up warning: a test server is used"
    "licence|Licence to accept"
    "accepted|Licence accepted, Install enabled"
    "installing|Installing"
    "second-setup|A second setup is refused"
    "success|Success (IDS_INSTALL_SUCCEEDED)"
    "failed-download|Download failed: unsigned product (IDS_DOWNLOAD_FAILED)"
    "failed-textures|Installation failed: texture expansion exits with 3 (IDS_INSTALL_FAILED)"
    "cancel-question|Cancel asked while installing"
    "interrupted|Interrupted by a confirmed cancel (IDS_INTERRUPTED)"
    "checks-failed|Requirement check failed, with the help link (IDS_CHECK_FAILED)"
)

missing=0
{
    echo '<!DOCTYPE html>'
    echo '<html><head><meta charset="utf-8"><title>Tellura Setup: every state in every language</title>'
    echo '<style>body{font-family:sans-serif}td,th{vertical-align:top;padding:6px;border:1px solid #ccc}'
    echo 'img{max-width:360px}table{border-collapse:collapse}.missing{color:#a00}</style></head><body>'
    echo '<h1>Tellura Setup: every state in every language</h1>'
    echo '<p>Each picture is the window at its own size: at 150 % and 200 % the dialog is that much'
    echo 'larger; follow a picture to see it unscaled.</p><table><tr><th>State</th>'
    for column in "${columns[@]}"; do echo "<th>${column%/*} ${column#*/} %</th>"; done
    echo '</tr>'
    for entry in "${states[@]}"; do
        file=${entry%%|*} label=${entry#*|}
        echo "<tr><th>$label</th>"
        for column in "${columns[@]}"; do
            picture=gallery/$column/$file.png
            if [ -f "$out/$picture" ]; then
                echo "<td><a href=\"$picture\"><img src=\"$picture\" alt=\"$file ($column)\"></a></td>"
            else
                echo "<td class=\"missing\">missing: $file</td>"
                missing=$((missing + 1))
            fi
        done
        echo '</tr>'
    done
    echo '</table></body></html>'
} >"$out/index.html"
echo "gallery_index: $out/index.html, $missing pictures missing"
