#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing.
set -e
packages=(cmake make g++ clang libclang-rt-14-dev googletest libbenchmark-dev
          g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
          wine wine64 fonts-wine xvfb xauth x11-utils imagemagick xdotool wixl
          fonts-dejavu-core librsvg2-bin fonts-noto-cjk)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The configurator's embedded face comes from its Debian package, fetched but not installed: the
# machine itself must not offer the face, or nothing shows that the private registration works.
font_debs=/usr/local/share/tessel/debs
if ! ls "$font_debs"/fonts-play_*.deb >/dev/null 2>&1; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd mkdir -p "$font_debs"
  $sudo_cmd apt-get update -qq
  (cd "$font_debs" && $sudo_cmd apt-get download fonts-play)
fi
