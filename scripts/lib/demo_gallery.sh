# scripts/demo --gallery: every state of the setup in each language at 100 % and 150 % display
# scale (and 200 % for the first language), photographed from runs that each start in a fresh
# copy of one pristine prefix per scale, then build/demo/index.html over the pictures.
# Sourced by scripts/demo after the link server is up (packages, server, out, prefix are set).

# TELLURA_GALLERY_LANGS chooses fewer languages (the script's test takes one).
read -r -a gallery_languages <<<"${TELLURA_GALLERY_LANGS:-en de es fr it ja}"

# The scales a language is shown at: the first language also at 200 %.
gallery_scales() {
    if [ "$1" = "${gallery_languages[0]}" ]; then echo 100 150 200; else echo 100 150; fi
}

# The pristine prefix of a scale: Wine takes the DPI from the registry when a program starts.
gallery_pristine_at() {
    local scale=$1 pristine=$gallery_pristine-$1
    if [ ! -d "$pristine" ]; then
        cp -a "$gallery_pristine" "$pristine"
        WINEPREFIX=$pristine wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
            /d $((scale * 96 / 100)) /f >/dev/null 2>&1 || fail "the DPI of $scale % could not be set"
        WINEPREFIX=$pristine timeout 30 wineserver -w 2>/dev/null || true
    fi
    echo "$pristine"
}

# A fresh prefix for the next run, copied from one made once (faster than making each).
gallery_fresh_prefix() {
    [ -n "$WINEPREFIX" ] && timeout 30 wineserver -w 2>/dev/null || true
    rm -rf "$prefix"
    cp -a "$1" "$prefix"
    export WINEPREFIX=$prefix
}

gallery_start() { tour_start Tellura_Server="$server" TELLURA_STANDIN_TEXTURE_MS=1500 "$@"; }

# Accepts the licence and presses Install.
gallery_install() {
    drive check 1001 || fail "the accept box could not be ticked"
    drive click 1006 || fail "Install could not be pressed"
}

# The test-server warning, licence, accepted, installing, a second setup refused, success.
gallery_success_run() {
    gallery_start
    tour_until_dialog "$dir/warning-"
    tour_shot "$dir/licence"
    drive check 1001 || fail "the accept box could not be ticked"
    sleep 1
    tour_shot "$dir/accepted"
    drive click 1006 || fail "Install could not be pressed"
    sleep 1
    tour_shot "$dir/installing"
    # A second setup meanwhile is refused by the first; it needs no server.
    local first_pid=$tour_setup_pid
    tour_start
    drive msgbox-wait 60000 || fail "the second setup showed no message box"
    sleep 0.5
    tour_shot "$dir/second-setup" msgbox
    drive msgbox-press IDOK || fail "the second setup's box could not be answered"
    tour_wait_setup
    tour_setup_pid=$first_pid
    tour_outcome "$dir/success"
    tour_close
}

# The product's download fails its signature check: served unsigned for this run.
gallery_failed_download_run() {
    cp "$packages/variants/Ventrola_unsigned.msi" "$packages/Ventrola.msi"
    gallery_start
    tour_until_dialog "$dir/.box-"
    gallery_install
    tour_outcome "$dir/failed-download"
    tour_close
    cp "$gallery_signed" "$packages/Ventrola.msi"
}

# The texture tool fails: the installation failed.
gallery_failed_textures_run() {
    gallery_start TELLURA_STANDIN_TEXTURE_EXIT=3
    tour_until_dialog "$dir/.box-"
    gallery_install
    tour_outcome "$dir/failed-textures"
    tour_close
}

# Cancel while the work runs, confirmed: the question, then the interrupted outcome.
gallery_interrupted_run() {
    gallery_start
    tour_until_dialog "$dir/.box-"
    gallery_install
    sleep 1
    drive click 2 || fail "Cancel could not be pressed"
    drive msgbox-wait 30000 || fail "no cancel question"
    sleep 0.5
    tour_shot "$dir/cancel-question" msgbox
    drive msgbox-press IDYES || fail "the cancel question could not be answered"
    tour_outcome "$dir/interrupted"
    tour_close
}

# A system the checks refuse (Server 2008): the reason with the help link.
gallery_checks_failed_run() {
    tour_wine reg add 'HKCU\Software\Wine' /v Version /d win2008 /f >/dev/null 2>&1
    gallery_start
    tour_until_dialog "$dir/.box-"
    tour_shot "$dir/checks-failed"
    tour_close
}

gallery_run() {
    local started=$SECONDS run
    gallery_pristine=$root/build/wine/demo-pristine
    wine_prefix_init "$root" "$gallery_pristine"
    timeout 30 wineserver -w 2>/dev/null || true
    gallery_signed=$out/gallery-signed.msi
    cp "$packages/Ventrola.msi" "$gallery_signed"
    rm -rf "$out/gallery" "$gallery_pristine"-*
    local lang scale pristine
    for lang in "${gallery_languages[@]}"; do
        tour_lc=$(tour_locale "$lang")
        for scale in $(gallery_scales "$lang"); do
            pristine=$(gallery_pristine_at "$scale")
            dir=$out/gallery/$lang/$scale
            mkdir -p "$dir"
            for run in success failed_download failed_textures interrupted checks_failed; do
                echo "demo: gallery $lang at $scale %: $run"
                gallery_fresh_prefix "$pristine"
                "gallery_${run}_run"
            done
            rm -f "$dir"/.box-*.png
        done
    done
    "$root/scripts/lib/gallery_index.sh" "$out"
    echo "demo: gallery written to $out/index.html in $((SECONDS - started)) s"
}
