#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the game need.
# Run as root. Idempotent: when everything is present it only checks and exits.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libx11-dev libxtst-dev libegl-dev libgles-dev libegl-mesa0 libgl1-mesa-dri
  xvfb xauth x11-apps imagemagick xdotool
  libfreetype-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev libogg-dev libvorbis-dev
  fonts-dejavu-core fonts-ipafont-gothic
  libsdl2-dev libgtk-3-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev ffmpeg sox vorbis-tools
  python3-oauthlib clang libclang-rt-14-dev lld
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsquirrel-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "setup-deps: missing packages (${missing[*]}); run this script as root" >&2
  exit 1
fi

# Squirrel 3.1 is packaged for Debian 11 only: add that suite from the machine's
# own first bookworm source, pinned so that nothing else is ever taken from it.
add_bullseye_source() {
  local target_sources=/etc/apt/sources.list.d/quillmoor-bullseye.sources
  local target_list=/etc/apt/sources.list.d/quillmoor-bullseye.list
  local pin=/etc/apt/preferences.d/quillmoor-bullseye
  if [[ ! -f "$target_sources" && ! -f "$target_list" ]]; then
    local stanza=""
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
      [[ -f "$f" && "$f" != "$target_sources" ]] || continue
      # The first enabled stanza of binary packages whose suites include bookworm.
      stanza=$(awk -v RS= '/(^|\n)Suites:[^\n]*[ \t]bookworm([ \t]|\n|$)/ &&
                           /(^|\n)Types:[^\n]*[ \t]deb([ \t]|\n|$)/ &&
                           !/(^|\n)Enabled:[ \t]*([Nn][Oo]|[Ff]alse)([ \t]|\n|$)/ { print; exit }' "$f")
      [[ -n "$stanza" ]] && break
    done
    if [[ -n "$stanza" ]]; then
      printf '%s\n' "$stanza" | grep -v '^#' |
        sed -E 's/^Suites:.*/Suites: bullseye/' > "$target_sources"
    elif [[ -f /etc/apt/sources.list ]]; then
      local line
      # Options in brackets may hold several words: deb [arch=amd64 signed-by=...] URI bookworm ...
      line=$(grep -E '^deb[[:space:]]+(\[[^]]*\][[:space:]]+)?[^[:space:]]+[[:space:]]+bookworm[[:space:]]' /etc/apt/sources.list | head -n 1 || true)
      if [[ -z "$line" ]]; then
        echo "setup-deps: no bookworm apt source found to derive the bullseye entry from" >&2
        exit 1
      fi
      printf '%s\n' "$line" | sed -E 's/([[:space:]])bookworm([[:space:]])/\1bullseye\2/' > "$target_list"
    else
      echo "setup-deps: no apt sources found" >&2
      exit 1
    fi
  fi
  cat > "$pin" <<'PIN'
Package: *
Pin: release n=bullseye
Pin-Priority: -1

Package: libsquirrel-dev libsquirrel3-0 squirrel3
Pin: release n=bullseye
Pin-Priority: 500
PIN
}

add_bullseye_source

apt_opts=(-q -y --no-install-recommends -o DPkg::Lock::Timeout=600)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! apt-get -q -o DPkg::Lock::Timeout=600 update >"$log" 2>&1; then
  cat "$log" >&2
  echo "setup-deps: apt-get update failed" >&2
  exit 1
fi
if ! DEBIAN_FRONTEND=noninteractive apt-get install "${apt_opts[@]}" "${missing[@]}" >"$log" 2>&1; then
  cat "$log" >&2
  echo "setup-deps: apt-get install failed for: ${missing[*]}" >&2
  exit 1
fi
echo "setup-deps: installed ${#missing[@]} package(s)"
