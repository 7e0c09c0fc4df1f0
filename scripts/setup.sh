#!/usr/bin/env bash
# Shared set-up for ./run and ./test: install what is missing, configure and
# build. Sourced, not run; defines korvath_setup and korvath_build.

KORVATH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build, the data generators and the tests need; the last
# line checks the install (desktop entry, metainfo, manual page) and lets
# cpack find the package's dependencies (dpkg-shlibdeps, file).
KORVATH_PACKAGES=(
  g++ cmake ninja-build pkg-config gettext
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libfreetype-dev fonts-dejavu-core libcairo2-dev
  libsdl2-dev libsdl2-mixer-dev libxcb1-dev
  desktop-file-utils appstream man-db dpkg-dev file
)
# What fuzz/run needs besides: clang and its libFuzzer runtime (libclang_rt.fuzzer).
KORVATH_FUZZ_PACKAGES=(clang libclang-rt-dev)

# korvath_setup [package...]: installs what is missing of KORVATH_PACKAGES and
# of the packages given.
korvath_setup() {
  local missing=()
  local p
  for p in "${KORVATH_PACKAGES[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "error: these packages are missing and sudo is not available: ${missing[*]}" >&2
      return 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq || return 1
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    >/dev/null || return 1
}

# korvath_build DIR [cmake options...] [--target T]...: configure DIR and
# build it (only the targets given, when any).
korvath_build() {
  local dir=$1
  shift
  local options=() target=()
  while [ $# -gt 0 ]; do
    if [ "$1" = --target ]; then
      target+=(--target "$2")
      shift 2
    else
      options+=("$1")
      shift
    fi
  done
  cmake -S "$KORVATH_ROOT" -B "$dir" -G Ninja "${options[@]}" >/dev/null || return 1
  # KORVATH_NICE: a build that leaves the processor to what else runs.
  nice -n "${KORVATH_NICE:-0}" cmake --build "$dir" --parallel "$(nproc)" "${target[@]}" || return 1
}

# korvath_battle_ends SOUNDLOG: prints the battles ended in the game's sound
# log, the game time (ms) the last one ended, of the last shot and of the
# last sound. A battle ends with the fanfare (won) or with the map's march
# (lost) after a shot was fired; the fanfares of the title and a campaign's
# end and the march of a map shown before any battle have no shot before them.
korvath_battle_ends() {
  awk '$2 == "shoot" { fought = 1; shot = $1 }
       ($2 == "music2" || $2 == "music3") && fought { ended++; at = $1; fought = 0 }
       { last = $1 }
       END { printf "%d %d %d %d", ended, at, shot, last }' "$1" 2>/dev/null || echo "0 0 0 0"
}
