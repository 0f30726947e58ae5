#!/usr/bin/env bash
# How long cross-building Qt's base module for Windows takes here, and whether a widget
# program built with it starts under Wine: Debian's qt6-base source, Core, Gui, Widgets and
# the Windows and offscreen platform plugins, static, with MinGW-w64 (cmake/), at the lowest
# priority and capped at MINUTES (default 30). A build that does not finish in time is
# extrapolated from the share of its steps done. CI does not run this.
#   bench/qt_windows.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-30}"
work="$PWD/build/qt-windows"
mkdir -p "$work"

if ! compgen -G "$work/qtbase-*/CMakeLists.txt" >/dev/null &&
  ! compgen -G "$work/qt6-base-*/CMakeLists.txt" >/dev/null; then
  echo "== apt-get source qt6-base"
  (cd "$work" && apt-get source --quiet qt6-base >/dev/null 2>&1)
fi
source=$(ls -d "$work"/qt*base-*/ | head -1)
build="$work/build"

echo "== configure ($source)"
start=$(date +%s)
nice -n 19 cmake -S "$source" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$work/install" \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_opengl=OFF -DFEATURE_concurrent=OFF -DFEATURE_testlib=OFF -DFEATURE_xml=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_md4c=OFF \
  >"$work/configure.log" 2>&1 || { tail -30 "$work/configure.log"; exit 1; }
echo "   $(($(date +%s) - start)) s"

echo "== build, at most $minutes minutes"
# Ninja itself, so that the cap's signal stops the compilers too; the processor time of all
# of them shows what the build costs on an idle machine, whatever the load here.
status=0
/usr/bin/time -o "$work/build.time" -f '%e %U %S' timeout -s INT "${minutes}m" nice -n 19 \
  ninja -C "$build" -j2 Core Gui Widgets QWindowsIntegrationPlugin QOffscreenIntegrationPlugin \
  >"$work/build.log" 2>&1 || status=$?
# time puts "Command exited with non-zero status N" before the figures when the build fails.
read -r elapsed user system < <(tail -1 "$work/build.time") || true
elapsed=${elapsed%.*} cpu=$(( ${user%.*} + ${system%.*} ))
progress=$(grep -o '^\[[0-9]*/[0-9]*\]' "$work/build.log" | tail -1 | tr -d '[]')
done_steps=${progress%/*} all_steps=${progress#*/}
echo "   $elapsed s, processor time $cpu s, load average $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$status" -eq 0 ]; then
  echo "   finished: $all_steps steps"
else
  [ "$status" -eq 124 ] || [ "$status" -eq 130 ] || { tail -20 "$work/build.log"; echo "   failed (status $status)"; }
  [ "${done_steps:-0}" -gt 0 ] || exit 1
  echo "   stopped after $done_steps of $all_steps steps ($((100 * done_steps / all_steps)) %)"
  echo "   the whole at this rate: about $((elapsed * all_steps / done_steps / 60)) minutes;" \
    "on 2 idle cores: about $((cpu * all_steps / done_steps / 2 / 60)) minutes"
  exit 0
fi

echo "== a widget program with it, under Wine"
nice -n 19 cmake --install "$build" >/dev/null
cmake -S bench/qt_windows -B "$work/hello" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$work/install" \
  -DQT_HOST_PATH=/usr -DCMAKE_BUILD_TYPE=Release >/dev/null
nice -n 19 cmake --build "$work/hello" >/dev/null
export WINEPREFIX="$PWD/build/windows/wine/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for platform in windows offscreen; do
  rm -f "$work/hello-$platform.png"
  if QT_QPA_PLATFORM=$platform timeout 120 /usr/lib/wine/wine64 "$work/hello/hello.exe" \
    "Z:${work//\//\\}\\hello-$platform.png" && [ -s "$work/hello-$platform.png" ]; then
    echo "   starts with the $platform platform: $work/hello-$platform.png"
  else
    echo "   does not start with the $platform platform"
  fi
done
