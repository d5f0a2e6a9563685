#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they are missing.
set -euo pipefail
packages=(g++ cmake ninja-build pkg-config libsqlite3-dev libpq-dev uuid-dev libxml2-dev libicu-dev
          libcurl4-openssl-dev libxslt1-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev postgresql
          libcpp-httplib-dev chromium-headless-shell python3-aiosmtpd curl)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q "${missing[@]}"
fi
