#!/usr/bin/env bash
# The program's own layouts (Common, Table, Custom) draw pixel for pixel as they always have:
# every example, a cloud, a turned series and a crowded 200-atom frame with its labels are
# drawn at a fixed size and compared with the digests of the pictures made before the view
# got its centre, its pan and the thinning of labels on bigger frames.
# Arguments: $1 tessaly, $2 tessaly-cli, $3 examples directory, $4 artefacts directory.
set -u
cli="$2"
examples="$3"
artefacts="$4/cli_render_unchanged"
rm -rf "$artefacts"
mkdir -p "$artefacts"
failed=0

# 200 atoms of three kinds in a 7 Angstrom box, off the origin, with charges: labels pile up
awk 'BEGIN {
    print 200; print "0.5 -12.25 crowd"
    split("O H C", name, " ")
    for (i = 0; i < 200; ++i)
        printf "%s %.4f %.4f %.4f %.3f 0 0 0 1\n", name[i % 3 + 1], 2 + 7 * ((i * 37) % 101) / 101,
            -3 + 7 * ((i * 53) % 103) / 103, 1 + 7 * ((i * 71) % 107) / 107, (i % 5 - 2) / 10
}' >"$artefacts/crowd200.xyz"

# Draws one case into its own folder and prints the digest of all its pictures in name order.
digest() {
    local name="$1"
    shift
    mkdir -p "$artefacts/$name"
    if ! "$cli" render "$@" -o "$artefacts/$name/p.bmp" --size 400x300 >/dev/null; then
        echo "render failed"
        return
    fi
    (cd "$artefacts/$name" && cat $(ls | sort) | sha256sum | cut -c1-64)
}

check() {
    local name="$1" expected="$2"
    shift 2
    local got
    got="$(digest "$name" "$@")"
    if [ "$got" != "$expected" ]; then
        echo "FAIL: $name draws differently: $got"
        failed=1
    fi
}

check water 45224b9f6bd3306cd552fe8574a470fc402994258d65caa158e8fe0b89562fa1 "$examples/water.xyz" --all
check single 8a1e41753d656b38a77567eef714cc1ceffd0e959135aec936d9ed549329a2b0 "$examples/single.xyz" --all
check table da14b449e75f329d393992bb964fad7693ee3b7413df205d51d075713e0d1a50 "$examples/table.prn" --all
check custom 3e26cb392e30a17c4c43434bc2a795522854bfb386c3e20685728922726fac60 "$examples/custom.txt" --all
check water_cloud a18e0aca441e4818b43a16161e174dff566cbc96477a293b905ae152f7f019b7 \
    "$examples/water.xyz" --frame 2 --electrons quick
check single_turned 6242f8ba1caf65f130c41bc4a607326e5cec6cc6c1567847479b78948faaa4e6 \
    "$examples/single.xyz" --rotate 3 --fit 1
check crowd200 a2773874ab61e58a7a2a1161e4d303cbe7381ae043d334750e4861e57af462f9 "$artefacts/crowd200.xyz" --fit 1

[ "$failed" = 0 ] && echo "PASS: every picture as before"
exit "$failed"
