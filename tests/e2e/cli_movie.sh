#!/usr/bin/env bash
# tessaly-cli render writes MP4, WebM and GIF movies that ffprobe reads as players do: the
# codec, the frames chosen, the rate asked, an even H.264 size with the index in front, a
# looping GIF; Ctrl-C and a refused size leave the old file and no temporary.
# Arguments: $1 tessaly, $2 tessaly-cli, $3 examples directory, $4 artefacts directory.
set -u
cli="$2"
water="$3/water.xyz"
artefacts="$4/cli_movie"

if ! command -v ffprobe >/dev/null 2>&1; then
    echo "SKIP: ffprobe is needed to read the movies"
    exit 0
fi
rm -rf "$artefacts"
mkdir -p "$artefacts"

fail() {
    echo "FAIL: $*"
    exit 1
}
probe() { # file, entries: prints key=value lines of the video stream
    ffprobe -v error -count_frames -select_streams v:0 -show_entries "stream=$2" \
        -of default=noprint_wrappers=1 "$1"
}

# frames 11, 14, ..., 38: ten frames
for movie in run.mp4 run.webm run.gif; do
    "$cli" render "$water" -o "$artefacts/$movie" --first 11 --last 40 --step 3 --fps 20 \
        >"$artefacts/out.txt" || fail "$movie exited with $?"
    info=$(probe "$artefacts/$movie" codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames)
    echo "$info" | grep -qx "nb_read_frames=10" || fail "$movie: not 10 frames: $info"
    echo "$info" | grep -qx "r_frame_rate=20/1" || fail "$movie: not 20 frames a second: $info"
done
info=$(probe "$artefacts/run.mp4" codec_name,pix_fmt,width,height)
[ "$info" = $'codec_name=h264\nwidth=482\nheight=352\npix_fmt=yuv420p' ] ||
    fail "MP4 stream: $info"
moov=$(grep -obam1 moov "$artefacts/run.mp4" | cut -d: -f1)
mdat=$(grep -obam1 mdat "$artefacts/run.mp4" | cut -d: -f1)
[ "$moov" -lt "$mdat" ] || fail "the MP4 index follows the data (no faststart)"
probe "$artefacts/run.webm" codec_name | grep -qx "codec_name=vp9" || fail "WebM is not VP9"
grep -qa NETSCAPE2.0 "$artefacts/run.gif" || fail "the GIF does not loop"

# the turning movie of one frame
"$cli" render "$water" -o "$artefacts/turn.mp4" --rotate 12 --vertical --size 160x120 \
    >/dev/null || fail "turning movie exited with $?"
probe "$artefacts/turn.mp4" nb_read_frames | grep -qx "nb_read_frames=12" ||
    fail "turning movie is not 12 frames"

# failures keep the old file and leave no temporary
echo "old movie" >"$artefacts/old.mp4"
"$cli" render "$water" -o "$artefacts/old.mp4" --size 17000x16 2>"$artefacts/err.txt"
[ $? -eq 1 ] || fail "a size H.264 refuses did not fail"
grep -q "libx264.*17000x16" "$artefacts/err.txt" || fail "no clear message: $(cat "$artefacts/err.txt")"
"$cli" render "$water" -o "$artefacts/old.mp4" --fps 0 2>/dev/null
[ $? -eq 2 ] || fail "--fps 0 was accepted"
"$cli" render "$water" -o "$artefacts/old.bmp" --fps 10 2>/dev/null
[ $? -eq 2 ] || fail "--fps with a picture was accepted"
# a GIF's delays are whole hundredths: faster than 50 a second players would show slowly
for fps in 60 100; do
    "$cli" render "$water" -o "$artefacts/old.gif" --fps $fps 2>"$artefacts/err.txt"
    [ $? -eq 2 ] || fail "a GIF at --fps $fps was accepted"
    grep -q "at most 50 frames a second" "$artefacts/err.txt" || fail "--fps $fps: $(cat "$artefacts/err.txt")"
done
"$cli" render "$water" -o "$artefacts/fast.gif" --first 1 --last 6 --fps 50 >/dev/null \
    || fail "a GIF at --fps 50 exited with $?"
delays=$(ffprobe -v error -show_entries packet=duration -of csv=p=0 "$artefacts/fast.gif" | sort -u)
[ "$delays" = 2 ] || fail "a GIF at 50 a second has delays other than 2 hundredths: $delays"

set -m # a background job of its own, which Ctrl-C reaches as it would from a terminal
"$cli" render "$water" -o "$artefacts/old.mp4" --rotate 1000 --size 1280x720 >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do
    compgen -G "$artefacts/.old.mp4.*" >/dev/null && break
    sleep 0.1
done
sleep 0.5
kill -INT "$pid"
wait "$pid"
status=$?
set +m
[ "$status" -ne 0 ] || fail "the interrupted movie reported success"
[ "$(cat "$artefacts/old.mp4")" = "old movie" ] || fail "Ctrl-C changed the old file"
leftover=$(find "$artefacts" -name '.old*')
[ -z "$leftover" ] || fail "temporary left behind: $leftover"
echo "PASS"
