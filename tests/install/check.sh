#!/usr/bin/env bash
# The installed game, checked the way a desktop, a software centre and a
# player meet it. One step per call, the install first:
#   check.sh install BUILD PREFIX APP_ID SIZES... installs BUILD into PREFIX and checks the tree
#   check.sh validate PREFIX APP_ID VERSION      the desktop entry and the metainfo, whose newest
#                                                release is the project's version
#   check.sh manual PREFIX                       the manual page renders and knows every option
#   check.sh battle PREFIX                       the headless program plays battle.script, with no --data
#                                                (the frame is kept in $KORVATH_KEEP_FRAME when set)
#   check.sh package BUILD OUT                   cpack -G DEB into OUT: section, maintainer, dependencies, files
#   check.sh nodata PREFIX BUILT_IN_DATA_DIR     without data it names the folders it tried
#                                                (exit 77, skipped, where the game is installed)
#   check.sh gameonly SOURCE DIR                 a packager's configure of the game alone needs neither
#                                                GoogleTest nor Google Benchmark and builds no test
# The build's layout, relative to the prefix, comes from the environment
# (written to BUILD/packaging/layout.sh): KORVATH_INSTALL_BINDIR (bin or
# games) and KORVATH_INSTALL_DATADIR (share/korvath or share/games/korvath).
set -u
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
bindir=${KORVATH_INSTALL_BINDIR:-bin}
datadir=${KORVATH_INSTALL_DATADIR:-share/korvath}
# gzip -9n: no file name and no time stamp in the header, so that the
# package is the same from one build to the next.
reproducible_gzip() {
  [ "$(od -An -tx1 -N8 "$1" | tr -d ' ')" = 1f8b080000000000 ] || fail "$1 is not gzip'd without name and time"
  gzip -t "$1" || fail "$1 is a damaged gzip file"
}
step=$1
shift

case $step in
gameonly)
  source=$1 dir=$2
  rm -rf "$dir"
  cmake -S "$source" -B "$dir" -G Ninja -DKORVATH_TESTS=OFF -DKORVATH_BENCH=OFF -DKORVATH_PICTURES=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$dir.log" 2>&1 \
    || fail "the game-only configure: $(tail -5 "$dir.log")"
  targets=$(ninja -C "$dir" -t targets all) || fail "ninja -t targets"
  grep -q '^bin/korvath-headless:' <<<"$targets" || fail "the game-only build has no korvath-headless"
  ! grep -qE '^bin/(test|bench|fuzz)_' <<<"$targets" || fail "the game-only build has tests or benchmarks"
  rm -rf "$dir" "$dir.log"
  ;;
install)
  build=$1 prefix=$2 id=$3
  shift 3
  rm -rf "$prefix"
  cmake --install "$build" --prefix "$prefix" >"$build/install-test.log" 2>&1 \
    || fail "cmake --install: $(tail -5 "$build/install-test.log")"
  docs=share/doc/korvath
  for f in $bindir/korvath-headless $datadir/app0.bin $datadir/p3d.bin $datadir/layout \
    share/man/man6/korvath.6.gz share/man/man6/korvath-headless.6.gz $docs/copyright $docs/changelog.Debian.gz \
    $docs/changelog.gz; do
    [ -s "$prefix/$f" ] || fail "$f is not installed"
  done
  [ -x "$prefix/$bindir/korvath-headless" ] || fail "$bindir/korvath-headless is not executable"
  for f in share/man/man6/korvath.6.gz share/man/man6/korvath-headless.6.gz $docs/changelog.Debian.gz \
    $docs/changelog.gz; do
    reproducible_gzip "$prefix/$f"
  done
  # Debian's machine-readable format, with the game's licence and the fonts'.
  copyright=$prefix/$docs/copyright
  head -1 "$copyright" | grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
    || fail "$copyright is not in the machine-readable format"
  for license in Expat bitstream-vera; do
    [ "$(grep -c "^License: $license\$" "$copyright")" -eq 2 ] || fail "$copyright lacks the $license licence or its text"
  done
  if [ -e "$build/bin/korvath" ]; then
    for f in $bindir/korvath "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"; do
      [ -s "$prefix/$f" ] || fail "$f is not installed"
    done
    for size in "$@"; do
      icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
      file "$icon" | grep -q "PNG image data, $size x $size," || fail "$icon: $(file -b "$icon")"
    done
    # Every screenshot the metainfo names is installed for the web site.
    urls=$(grep -o 'https://[^<]*/screenshots/[^<]*' "$prefix/share/metainfo/$id.metainfo.xml")
    [ -n "$urls" ] || fail "the metainfo has no screenshots"
    for url in $urls; do
      shot=$prefix/share/doc/korvath/screenshots/$(basename "$url")
      file "$shot" | grep -q "PNG image data" || fail "$shot is not installed"
    done
  fi
  ;;
validate)
  prefix=$1 id=$2 version=$3
  desktop=$prefix/share/applications/$id.desktop
  metainfo=$prefix/share/metainfo/$id.metainfo.xml
  desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate $metainfo"
  newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
  [ "$newest" = "$version" ] || fail "the metainfo's newest release is $newest, the project's version $version"
  # The menu finds the icon and the software centre the menu entry by the id.
  grep -qx "Icon=$id" "$desktop" || fail "$desktop does not name the icon $id"
  grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" \
    || fail "$metainfo does not launch $id.desktop"
  # Each language the game speaks also names it in the menu and the software centre.
  for mo in "$prefix/$datadir"/*.mo; do
    [ -e "$mo" ] || fail "no translations in $prefix/$datadir"
    language=$(basename "$mo" .mo)
    grep -q "^Comment\[$language\]=" "$desktop" || fail "$desktop has no $language comment"
    grep -q "<summary xml:lang=\"$language\">" "$metainfo" || fail "$metainfo has no $language summary"
  done
  ;;
manual)
  prefix=$1
  page=$prefix/share/man/man6/korvath.6.gz
  warnings=$(mktemp)
  trap 'rm -f "$warnings"' EXIT
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$warnings") || fail "man -l $page"
  [ -s "$warnings" ] && fail "man -l $page warns: $(cat "$warnings")"
  options=$("$prefix/$bindir/korvath-headless" --help | grep -oE '^  --[a-z-]+') || fail "no options in --help"
  for option in $options; do
    grep -qe "$option" <<<"$text" || fail "the manual page does not describe $option"
  done
  # The second program's page is found under its own name.
  LC_ALL=C.UTF-8 man -M "$prefix/share/man" 6 korvath-headless 2>&1 | grep -q "korvath-headless" \
    || fail "man korvath-headless does not show the page"
  ;;
battle)
  prefix=$1
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  cp "$(dirname "$0")/battle.script" "$dir/"
  out=$(cd "$dir" && "$prefix/$bindir/korvath-headless" --script battle.script --until 8500 --sound-log sounds.txt 2>&1) \
    || fail "korvath-headless: $out"
  file "$dir/battle.png" | grep -q "PNG image data, 480 x 320," || fail "no frame: $out"
  # Only a battle has a gun to fire.
  awk '$2 == "shoot" && $1 >= 6200 { heard = 1 } END { exit !heard }' "$dir/sounds.txt" \
    || fail "the shot was not fired: $(tr '\n' ' ' <"$dir/sounds.txt")"
  # A frame of one colour packs into a few hundred bytes; a battle does not.
  size=$(stat -c %s "$dir/battle.png")
  [ "$size" -gt 20000 ] || fail "the frame is blank ($size bytes)"
  [ -z "${KORVATH_KEEP_FRAME:-}" ] || cp "$dir/battle.png" "$KORVATH_KEEP_FRAME"
  ;;
package)
  build=$1 out=$2
  rm -rf "$out"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$build/package-test.log" 2>&1 \
    || fail "cpack: $(tail -5 "$build/package-test.log")"
  deb=$(ls "$out"/korvath_*.deb) || fail "cpack made no package"
  info=$(dpkg-deb -f "$deb" Section Maintainer Depends Description) || fail "dpkg-deb -f $deb"
  version=$(dpkg-deb -f "$deb" Version) || fail "dpkg-deb -f $deb Version"
  # dpkg-shlibdeps names the libraries' packages (their names differ between releases).
  want=("Section: games" "Maintainer: .+@" "Depends: .*libpng16" "Depends: .*libjpeg" "Depends: .*libstdc\+\+")
  [ -e "$build/bin/korvath" ] && want+=("Depends: .*libsdl2-2\.0-0" "Depends: .*libsdl2-mixer")
  for w in "${want[@]}"; do
    grep -qE "$w" <<<"$info" || fail "the package's control has no \"$w\": $info"
  done
  listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c $deb"
  for f in $bindir/korvath-headless $datadir/app0.bin $datadir/p3d.bin share/man/man6/korvath.6.gz \
    share/doc/korvath/screenshots/battle.png share/doc/korvath/copyright share/doc/korvath/changelog.Debian.gz; do
    grep -q " \./usr/$f\$" <<<"$listing" || fail "$f is not in the package under /usr"
  done
  # The package's version and its changelog's newest entry are the same.
  entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/korvath/changelog.Debian.gz | gzip -dc | head -1)
  [ "$entry" = "korvath ($version) unstable; urgency=medium" ] \
    || fail "the changelog's newest entry \"$entry\" is not of the package's version $version"
  ;;
nodata)
  prefix=$1 builtin=$2
  dir=$(mktemp -d)
  trap 'rm -rf "$dir"' EXIT
  mkdir -p "$dir/a/$bindir"
  cp "$prefix/$bindir/korvath-headless" "$dir/a/$bindir/"
  if [ -d "$builtin" ]; then
    echo "$builtin exists here: the lone program would find it"
    exit 77
  fi
  out=$("$dir/a/$bindir/korvath-headless" --until 100 2>&1)
  status=$?
  [ $status -eq 1 ] || fail "exit status $status: $out"
  want="korvath: no game data folder at $dir/a/$bindir/data, $dir/a/$datadir or $builtin (give one with --data DIR)"
  [ "$out" = "$want" ] || fail "said \"$out\", not \"$want\""
  ;;
*)
  fail "unknown step $step"
  ;;
esac
