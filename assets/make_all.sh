#!/usr/bin/env bash
# Regenerates every built-in resource from assets/: icons, voice clips, skins and brand documents.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bash "$here/icons/make_icons.sh"
bash "$here/voices/make_voices.sh"
bash "$here/make_content.sh"
