#!/usr/bin/env bash
# Installs the Debian packages the build needs; packages already present are skipped.
set -euo pipefail
packages=(build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libassimp-dev libcairo2-dev python3-dev pybind11-dev libcli11-dev libstb-dev libjpeg-dev libssl-dev
          poppler-utils clang-format libpolyclipping-dev assimp-testmodels nlohmann-json3-dev
          libcpp-httplib-dev libmeshoptimizer-dev)
# The browser the page is tested in, without the desktop it would recommend.
lean=(chromium)
# The page's scripts come from npm; a machine with its own Node.js keeps it.
command -v npm >/dev/null 2>&1 || lean+=(nodejs npm)
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=() missing_lean=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
for p in "${lean[@]}"; do installed "$p" || missing_lean+=("$p"); done
if [ ${#missing[@]} -gt 0 ] || [ ${#missing_lean[@]} -gt 0 ]; then
  echo "installing: ${missing[*]} ${missing_lean[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
  fi
  if [ ${#missing_lean[@]} -gt 0 ]; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing_lean[@]}"
  fi
fi
# The page's npm packages, as the lockfile pins them; Playwright drives the
# chromium above and downloads no browser of its own.
web="$(dirname "$0")/../web"
if [ ! -f "$web/node_modules/.package-lock.json" ] || [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
  (cd "$web" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund)
fi
