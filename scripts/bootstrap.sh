#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing. Idempotent and quick
# when everything is present. Pass extra package names to install them too (benchmark baselines).
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libpng-dev libjpeg-dev "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=""
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number-text tests switch to a locale with a decimal comma to show that the library ignores
# it; make one available.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  if ! command -v localedef >/dev/null 2>&1 || [ ! -d /usr/share/i18n/locales ]; then
    sudo_cmd=""
    if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends locales
  fi
  localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null || echo "bootstrap: no de_DE locale; locale tests will skip"
fi
