#!/bin/sh
# Runs one fuzz target: run_target.sh SECONDS TARGET CORPUS SEEDS. QEL_FUZZ_SECONDS in the
# environment (scripts/fuzz sets it) takes the place of SECONDS. Inputs of up to 128 KiB reach
# the 64 KiB head cap. What the target finds goes to CORPUS; an input that breaks it is written
# beside CORPUS, named after it.
seconds=${QEL_FUZZ_SECONDS:-$1}
exec "$2" -max_total_time="$seconds" -max_len=131072 -rss_limit_mb=1024 \
    -artifact_prefix="$3-" "$3" "$4"
