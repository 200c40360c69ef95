#!/usr/bin/env bash
# Speaks every character line (Open JTalk), draws the two alarm effects (sox), trims and levels
# them, encodes them as small mono Ogg Vorbis files into resources/voices/ and rewrites
# resources/voices.rc. Then measure_voices.py checks the four voices against their targets (see
# assets/README.md) and fails the run when one is missed. Only this script needs the speech and
# audio tools; the build does not.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
resources=$(cd "$here/../../resources" && pwd)
out="$resources/voices"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

dictionary=/var/lib/mecab/dic/open-jtalk/naist-jdic
model=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice
rate=22050
# Every clip is levelled to this RMS unless a peak would then pass the ceiling, which leaves
# room for the encoder's overshoot.
target_rms_db=-19
peak_ceiling_db=-1.5
quality=1
# The system interpreter: its numpy comes from the Debian package installed below.
python=/usr/bin/python3
export PYTHONDONTWRITEBYTECODE=1
# Repeatable mode seeds sox's dither noise, so a run with unchanged inputs rewrites identical files.
export SOX_OPTS=-R

install_tools() {
  local missing=()
  command -v open_jtalk >/dev/null || missing+=(open-jtalk)
  [[ -d $dictionary ]] || missing+=(open-jtalk-mecab-naist-jdic)
  [[ -f $model ]] || missing+=(hts-voice-nitech-jp-atr503-m001)
  command -v sox >/dev/null || missing+=(sox)
  command -v oggenc >/dev/null || missing+=(vorbis-tools)
  "$python" -c 'import numpy' 2>/dev/null || missing+=(python3-numpy)
  ((${#missing[@]} == 0)) && return
  local sudo=()
  ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# RMS and peak level of a file in dBFS.
rms_db() {
  sox "$1" -n stats 2>&1 | awk '/^RMS lev dB/ {print $4}'
}
peak_db() {
  sox "$1" -n stats 2>&1 | awk '/^Pk lev dB/ {print $4}'
}

# Levels $1 to the target RMS, or lower where that would push a peak past the ceiling, and
# encodes it as resources/voices/$2.ogg. The fixed serial keeps the output identical from run
# to run, so regenerating changes only what really changed.
level_and_encode() {
  local wav=$1 name=$2 serial=$3
  local gain
  gain=$(awk -v rms="$(rms_db "$wav")" -v peak="$(peak_db "$wav")" -v want="$target_rms_db" \
    -v ceiling="$peak_ceiling_db" 'BEGIN {
      g = want - rms
      if (peak + g > ceiling) g = ceiling - peak
      printf "%.2f", g
    }')
  sox "$wav" "$tmp/level.wav" gain "$gain"
  oggenc -Q -q "$quality" --serial "$serial" -t "$name" -o "$out/$name.ogg" "$tmp/level.wav"
}

# Trims leading and trailing silence, keeping a short breath at each end.
trim() {
  sox "$1" -r "$rate" -c 1 -b 16 "$2" gain -3 highpass 70 \
    silence 1 0.01 -46d reverse silence 1 0.01 -46d reverse pad 0.03 0.06
}

install_tools
mkdir -p "$out"
rm -f "$out"/*.ogg
serial=1000

declare -A halfTones allPass speed intonation volume
while IFS=$'\t' read -r voice _brand _name _personality ht ap sp in vol; do
  [[ -z $voice || $voice == \#* || $voice == set ]] && continue
  halfTones[$voice]=$ht allPass[$voice]=$ap speed[$voice]=$sp intonation[$voice]=$in volume[$voice]=$vol
done <"$here/voices.tsv"

# Every line twice: in its character's voice for the clip, and in the model's own voice (no
# change of pitch, formants, pace or intonation) as the measure of how far the formants moved.
names=()
mkdir -p "$tmp/reference"
while IFS=$'\t' read -r name text; do
  [[ -z $name || $name == \#* ]] && continue
  voice=${name:7:1}
  printf '%s\n' "$text" >"$tmp/line.txt"
  open_jtalk -x "$dictionary" -m "$model" -fm "${halfTones[$voice]}" -a "${allPass[$voice]}" \
    -r "${speed[$voice]}" -jf "${intonation[$voice]}" -g "${volume[$voice]}" \
    -ow "$tmp/raw.wav" "$tmp/line.txt"
  trim "$tmp/raw.wav" "$tmp/trim.wav"
  level_and_encode "$tmp/trim.wav" "$name" $((serial++))
  names+=("$name")
  open_jtalk -x "$dictionary" -m "$model" -ow "$tmp/raw.wav" "$tmp/line.txt"
  trim "$tmp/raw.wav" "$tmp/reference/$name.wav"
done <"$here/lines.tsv"

# se09: a two-note door chime (E6 then C6) with bell-like overtones and a ringing decay.
# se01: four quick beeps of a digital alarm. Each ends in a short rest so that three plays in a
# row sound like three separate rings.
chime() {  # $1 = output, $2 = length, $3 = fundamental in Hz
  sox -n -r "$rate" -c 1 -b 16 "$1" synth "$2" sine "$3" sine "$(awk -v f="$3" 'BEGIN {print 2 * f}')" \
    sine "$(awk -v f="$3" 'BEGIN {print 3 * f}')" remix 1v0.6 2v0.25 3v0.1 fade h 0.004 "$2" "$2"
}
chime "$tmp/ding.wav" 0.42 1318.5
chime "$tmp/dong.wav" 0.75 1046.5
sox "$tmp/ding.wav" "$tmp/dong.wav" "$tmp/se09.wav" pad 0 0.12
level_and_encode "$tmp/se09.wav" se09 $((serial++))
names+=(se09)

sox -n -r "$rate" -c 1 -b 16 "$tmp/beep.wav" synth 0.09 square 2000 lowpass 4500 lowpass 4500 fade t 0.004 0.09 0.008
sox -n -r "$rate" -c 1 -b 16 "$tmp/rest.wav" trim 0 0.07
sox "$tmp/beep.wav" "$tmp/rest.wav" "$tmp/beep.wav" "$tmp/rest.wav" "$tmp/beep.wav" "$tmp/rest.wav" \
  "$tmp/beep.wav" "$tmp/se01.wav" pad 0 0.15
level_and_encode "$tmp/se01.wav" se01 $((serial++))
names+=(se01)

# Four voice sets of 30 clips and the two effects: a line missing from lines.tsv stops here.
if ((${#names[@]} != 122)); then
  echo "expected 122 clips, made ${#names[@]}" >&2
  exit 1
fi

{
  echo "// Generated by assets/voices/make_voices.sh: the voice clips and alarm effects."
  for name in "${names[@]}"; do
    echo "$name OGG \"voices/$name.ogg\""
  done
} >"$resources/voices.rc"

total=$(du -cb "$out"/*.ogg | awk 'END {print $1}')
echo "${#names[@]} clips, $total bytes"

"$python" "$here/measure_voices.py" "$out" "$tmp/reference"
