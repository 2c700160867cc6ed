# The steps of a tour of the setup under Wine, shared by scripts/demo --auto and --gallery:
# start the setup in a user-interface language, drive it with ui_driver.exe, photograph its
# windows. Sourced; the caller sets root, exe, driver, tour_lc (tour_locale) and defines fail.

# The locale that makes Wine and the setup speak a language: de, es, fr, it, ja or en.
tour_locale() {
    case $1 in
        de) echo de_DE.UTF-8 ;;
        es) echo es_ES.UTF-8 ;;
        fr) echo fr_FR.UTF-8 ;;
        it) echo it_IT.UTF-8 ;;
        ja) echo ja_JP.UTF-8 ;;
        en) echo en_US.UTF-8 ;;
        *) return 1 ;;
    esac
}

# Every Wine program of a tour runs in the tour's language: Wine rewrites the prefix's font
# substitutes when a program starts in another one. (Straight to wine: a bash in between would
# warn that the locale is not generated, which Wine does not need.)
tour_wine() { env LC_ALL="$tour_lc" wine "$@"; }
drive() { tour_wine "$driver" "$@"; }

tour_setup_pid=
# Starts the setup in the background with extra NAME=VALUE variables.
tour_start() {
    env LC_ALL="$tour_lc" "$@" wine "$exe" &
    tour_setup_pid=$!
}

tour_setup_running() { [ -n "$tour_setup_pid" ] && kill -0 "$tour_setup_pid" 2>/dev/null; }

# Waits for the setup to end; its exit status goes to tour_status.
tour_wait_setup() {
    tour_status=0
    wait "$tour_setup_pid" || tour_status=$?
    tour_setup_pid=
}

# Ends a setup that is still running (used on the way out).
tour_kill_setup() {
    if tour_setup_running; then
        kill "$tour_setup_pid" 2>/dev/null || true
        wait "$tour_setup_pid" 2>/dev/null || true
    fi
    tour_setup_pid=
}

# Photographs the dialog, or with "msgbox" the message box, cropped to its window: FILE.png.
tour_shot() {
    local file=$1.png kind=${2:-dialog} rect x y w h
    if [ "$kind" = msgbox ]; then rect=$(drive msgbox-rect); else rect=$(drive rect); fi ||
        fail "no $kind to photograph for $file"
    read -r x y w h <<<"$rect"
    # Without a window manager a frame may reach past the screen's edge: keep what is on it.
    if [ "$x" -lt 0 ]; then w=$((w + x)) x=0; fi
    if [ "$y" -lt 0 ]; then h=$((h + y)) y=0; fi
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" ||
        fail "the screenshot $file could not be taken"
    [ "$(head -c 4 "$file" | tail -c 3)" = PNG ] || fail "$file is not a PNG picture"
    echo "demo: saved $file"
}

# Until the dialog is up, photographs each message box start-up shows (PREFIX1.png, PREFIX2.png,
# ...) and answers it with OK.
tour_until_dialog() {
    local prefix=$1 boxes=0 kind deadline=$((SECONDS + 90))
    while :; do
        if ! tour_setup_running; then
            tour_wait_setup
            fail "the setup ended with $tour_status before showing its dialog (see KSTInstall.log)"
        fi
        [ "$SECONDS" -lt "$deadline" ] || fail "no dialog within 90 s"
        kind=$(drive wait-any 2000 2>/dev/null) || continue
        [ "$kind" = dialog ] && break
        boxes=$((boxes + 1))
        sleep 0.5
        tour_shot "$prefix$boxes" msgbox
        echo "demo: message box: $(drive msgbox-text)"
        drive msgbox-press IDOK || fail "the message box could not be answered"
    done
    # Wine repaints a moment after a change; give it that before each picture.
    sleep 1
}

# Waits until the outcome replaces the progress bar; photographs the dialog as NAME either way.
# The real setup's success is told on the status line, a failure in the edit box (tour_succeeded).
tour_outcome() {
    local name=$1 seconds=${TELLURA_DEMO_OUTCOME_SECONDS:-120}
    if ! drive wait-hidden 1000 $((seconds * 1000)); then
        tour_shot "$name-no-outcome"
        fail "the installation showed no outcome within $seconds s"
    fi
    sleep 1
    tour_shot "$name"
    tour_succeeded=1
    if [ "$(drive visible 1017)" = yes ]; then
        tour_succeeded=0
        echo "demo: outcome: $(drive text 1017)"
    else
        echo "demo: outcome: $(drive text -1)"
    fi
}

# Presses Close (or Cancel) and waits for the setup to end (tour_status).
tour_close() {
    drive click 2 || fail "Close could not be pressed"
    drive wait-gone 10000 || fail "the dialog did not close"
    tour_wait_setup
}
