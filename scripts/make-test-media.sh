#!/usr/bin/env bash
# Makes the media files the player tests play, into the folder given (default: build/media):
# a tone in every audio kind, a clip with picture and sound in every video kind (red on the left
# half, blue on the right), a picture without sound, and a tone that steps from 440 Hz to 880 Hz
# half-way, for seeking, and a 20 s tone for the media measurements. Nothing made here is kept in
# the tree; a second run remakes nothing.
set -euo pipefail
out=${1:-$(cd "$(dirname "$0")/.." && pwd)/build/media}
mkdir -p "$out"
cd "$out"
stamp=.made-8
[ -f "$stamp" ] && exit 0
ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }
tone="sine=frequency=440:sample_rate=44100:duration=2"
picture="color=c=red:s=80x120:d=2,format=yuv420p[l];color=c=blue:s=80x120:d=2,format=yuv420p[r];[l][r]hstack"
ff -f lavfi -i "$tone" -ac 2 -c:a pcm_s16le tone.wav
ff -f lavfi -i "$tone" -ac 2 -c:a libmp3lame -b:a 128k tone.mp3
ff -f lavfi -i "$tone" -ac 2 -c:a wmav2 -b:a 128k tone.wma
ff -f lavfi -i "$tone" -ac 2 -c:a libvorbis tone.ogg
for kind in avi wmv mpg mp4; do
  case $kind in
    avi) codecs=(-c:v mjpeg -q:v 3 -c:a pcm_s16le) ;;
    wmv) codecs=(-c:v wmv2 -b:v 1M -c:a wmav2) ;;
    mpg) codecs=(-c:v mpeg1video -b:v 1M -c:a mp2) ;;
    mp4) codecs=(-c:v mpeg4 -q:v 3 -c:a aac) ;;
  esac
  ff -f lavfi -i "$tone" -filter_complex "$picture" -ac 2 "${codecs[@]}" -r 25 -shortest "clip.$kind"
done
ff -filter_complex "$picture" -c:v mjpeg -q:v 3 -r 25 -an quiet.avi
# Short ones for racing stops against the end of the stream, a long one to handle its window.
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=0.25" -ac 2 -c:a pcm_s16le blip.wav
# (a picture without sound: Wine 8 keeps one thread for good after every file with both)
ff -filter_complex \
   "color=c=red:s=80x120:d=0.3,format=yuv420p[l];color=c=blue:s=80x120:d=0.3,format=yuv420p[r];[l][r]hstack" \
   -c:v mjpeg -q:v 3 -r 25 -an blip.avi
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=8" -filter_complex \
   "color=c=red:s=80x120:d=8,format=yuv420p[l];color=c=blue:s=80x120:d=8,format=yuv420p[r];[l][r]hstack" \
   -ac 2 -c:v mjpeg -q:v 3 -c:a pcm_s16le -r 25 -shortest long.avi
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=1.5" \
   -f lavfi -i "sine=frequency=880:sample_rate=44100:duration=1.5" \
   -filter_complex "[0][1]concat=n=2:v=0:a=1" -ac 2 -c:a pcm_s16le step.wav
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=20" -ac 2 -c:a libmp3lame -b:a 128k long.mp3
# Three tones the player's tests tell apart by pitch, one in each audio kind, and one under a
# Japanese name in a folder of its own.
ff -f lavfi -i "sine=frequency=330:sample_rate=44100:duration=2" -ac 2 -c:a libmp3lame -b:a 128k a330.mp3
ff -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" -ac 2 -c:a pcm_s16le b440.wav
ff -f lavfi -i "sine=frequency=660:sample_rate=44100:duration=2" -ac 2 -c:a wmav2 -b:a 128k c660.wma
mkdir -p "和名"
cp c660.wma "和名/高い音.wma"
# Longer than the player's 30 s before it hides itself.
ff -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=36" -ac 1 -c:a libmp3lame -b:a 32k long36.mp3
# Broken inputs: empty, random bytes under media names, a file cut in half, a folder named
# like a song.
: > empty.mp3
# The same bytes every time (a linear congruential sequence), so a refusal is reproducible.
python3 -c 'import sys
x = 12345
out = bytearray()
for _ in range(65536):
    x = (x * 1103515245 + 12345) & 0x7FFFFFFF
    out.append(x >> 16 & 0xFF)
sys.stdout.buffer.write(out)' > noise.mp3
cp noise.mp3 noise.avi
head -c $(( $(stat -c %s tone.wav) / 2 )) tone.wav > half.wav
mkdir -p folder.mp3
touch "$stamp"
