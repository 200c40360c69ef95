#!/usr/bin/env bash
# Installs every Debian package the build and the tests need; a second run installs nothing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates dpkg-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine32:i386 wine64
  # DirectShow under Wine decodes through GStreamer, for the 32-bit and the 64-bit build alike;
  # "bad" holds the MPEG-1 (.mpg) demuxer.
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-ugly:i386 gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
  gstreamer1.0-plugins-bad gstreamer1.0-libav
  # Wine's video renderer loads libGL even when it draws through GDI, and crashes without it.
  libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
  # The player tests make their media at test time.
  ffmpeg
  xvfb xdotool imagemagick x11-utils x11-xserver-utils
  locales fonts-ipafont-gothic
  clang libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev
  libvorbis-dev libogg-dev libpng-dev
  # zlib inflates gzip feed bodies: natively, and linked statically into the Windows program.
  zlib1g-dev libz-mingw-w64-dev
  # The Wine tests of the feed transport make their certificates at test time.
  python3-cryptography
  # expat's Debian source has no configure script; its build generates one, as Debian's does.
  autoconf automake libtool
  sox alsa-utils libasound2-plugins:i386 python3 python3-pil
  # The CA and the certificate of the HTTPS feeds (run.sh and the tests make their own).
  openssl
)

sudo_() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

changed_sources=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_ dpkg --add-architecture i386
  changed_sources=1
fi

# Deb822 sources: we need source packages (libogg, libvorbis, expat are cross-compiled from them)
# and contrib/non-free for the media codecs.
src=/etc/apt/sources.list.d/debian.sources
if [ -f "$src" ] && grep -q '^Types: deb$' "$src"; then
  sudo_ sed -i -e 's/^Types: deb$/Types: deb deb-src/' \
               -e 's/^Components: main$/Components: main contrib non-free non-free-firmware/' "$src"
  changed_sources=1
fi

# The Windows build runs apt-get source for libogg, libvorbis and expat (cmake/DebianSource.cmake),
# which needs the Sources lists on disk, not just deb-src in the configuration.
for p in libogg libvorbis expat; do
  if ! apt-cache showsrc "$p" 2>/dev/null | grep -x "Package: $p" >/dev/null; then
    changed_sources=1
  fi
done

if [ ${#missing[@]} -gt 0 ] || [ $changed_sources -eq 1 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_ apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  sudo_ sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | sudo_ tee -a /etc/locale.gen >/dev/null
  sudo_ locale-gen >/dev/null
fi
