# Shared by scripts/test and scripts/run: packages, builds, wine prefixes and the display.
# Sourced; expects $root to be the repository root.

native_dir="$root/build/native"
asan_dir="$root/build/asan"
windows_dir="$root/build/windows"        # i686: server.exe as technicians get it
windows64_dir="$root/build/windows-x86_64" # x86_64: the same sources, run under wine's 64-bit loader
jobs=$(nproc 2>/dev/null || echo 2)

# Whether this machine runs 32-bit x86 programs. Some run 64-bit code only: their kernel refuses every
# 32-bit program ("Exec format error"), wine's 32-bit loader among them. A static i386 program of 93
# bytes that only exits is started once; it needs no package. SETUP_ASSUME_64BIT_ONLY makes any machine
# answer no.
runs_32bit_code() {
  if [ -z "${setup_runs_32bit:-}" ]; then
    setup_runs_32bit=no
    if [ -z "${SETUP_ASSUME_64BIT_ONLY:-}" ]; then
      mkdir -p "$root/build"
      local probe="$root/build/.i386-probe"
      # ELF header, one loadable segment, then: mov eax,1; xor ebx,ebx; int 0x80 (exit 0).
      printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
      chmod +x "$probe"
      if "$probe" >/dev/null 2>&1; then setup_runs_32bit=yes; fi
      rm -f "$probe"
    fi
  fi
  [ "$setup_runs_32bit" = yes ]
}

# Debian packages the builds and tests need; name[:arch] as dpkg knows them. The i386 ones only where
# they can run: wine's 32-bit loader, and the FreeTDS driver and driver manager it loads (libodbc2:i386,
# which wine only recommends).
packages=(
  cmake ninja-build g++ googletest ccache
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64
  xvfb imagemagick fonts-wqy-microhei fonts-wine
  unixodbc unixodbc-dev tdsodbc
)
packages_i386=(wine32:i386 tdsodbc:i386 libodbc2:i386)

log() { printf '== %s\n' "$*"; }

missing_packages() {
  local p wanted=("${packages[@]}")
  if runs_32bit_code; then wanted+=("${packages_i386[@]}"); fi
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || printf '%s\n' "$p"
  done
}

ensure_packages() {
  local missing
  missing=$(missing_packages)
  [ -z "$missing" ] && return 0
  # shellcheck disable=SC2086
  local i386=no
  case " $(echo $missing) " in *:i386\ *) i386=yes ;; esac
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. As root, run:"
    if [ "$i386" = yes ]; then
      echo "  dpkg --add-architecture i386 && apt-get update && apt-get install -y" $missing
    else
      echo "  apt-get update && apt-get install -y" $missing
    fi
    exit 1
  fi
  log "installing:" $missing
  if [ "$i386" = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync answers with index files of the wrong size for a while: the
  # update is tried again, and an install from the indexes that did arrive is still attempted; the
  # check below tells whether it was enough.
  local attempt
  for attempt in 1 2 3; do
    if apt-get update -qq; then break; fi
    if [ "$attempt" -lt 3 ]; then echo "apt-get update failed; trying again in 20 s" >&2; sleep 20; fi
  done
  # The i386 index of the security suite can lag its amd64 one (seen: a mirror serving an older i386
  # index), and a library both architectures need then has no version common to both. The release's
  # own suite, where the two agree, is the second choice.
  local release
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  for attempt in 1 2 3; do
    # shellcheck disable=SC2086
    if apt-get install -y -qq --no-install-recommends $missing >/dev/null; then break; fi
    # shellcheck disable=SC2086
    if [ -n "$release" ] && apt-get install -y -qq --no-install-recommends -t "$release" $missing >/dev/null; then
      break
    fi
    if [ "$attempt" -lt 3 ]; then echo "apt-get install failed; trying again in 20 s" >&2; sleep 20; fi
  done
  missing=$(missing_packages)
  if [ -n "$missing" ]; then
    echo "still missing after apt-get: $missing" >&2
    exit 1
  fi
}

configure_and_build() {  # dir, extra cmake arguments...
  local dir=$1
  shift
  if [ ! -f "$dir/build.ninja" ]; then
    mkdir -p "$dir"
    cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1 || {
      cat "$dir.configure.log"
      return 1
    }
  fi
  cmake --build "$dir" -j "$jobs"
}

build_native() { configure_and_build "$native_dir" -DCMAKE_BUILD_TYPE=Debug; }
build_asan() { configure_and_build "$asan_dir" -DCMAKE_BUILD_TYPE=Debug -DSETUP_SANITIZE=ON; }
build_windows() {
  configure_and_build "$windows_dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DSETUP_NATIVE_BUILD_DIR="$native_dir"
}
build_windows64() {
  configure_and_build "$windows64_dir" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DSETUP_NATIVE_BUILD_DIR="$native_dir"
}

export WINEDEBUG=-all

# Every wine command goes through scripts/wine, which picks the loader this machine can run; the
# choice is made here once for the scripts and for the tests CTest starts.
if runs_32bit_code; then
  export SETUP_WINE_LOADER=/usr/lib/wine/wine
else
  export SETUP_WINE_LOADER=/usr/lib/wine/wine64
fi
wine() { "$root/scripts/wine" "$@"; }

# Makes a wine prefix once per build tree; the stamp marks a finished one.
make_wine_prefix() {  # dir, win32|win64
  local prefix=$1 arch=$2
  [ -f "$prefix/.setup-ready" ] && return 0
  log "making wine prefix $prefix ($arch)"
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  # No Mono or Gecko download prompts: the tests need neither.
  WINEARCH=$arch WINEPREFIX=$prefix WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w
  # Fonts for Chinese text: link the system fonts to WenQuanYi and map the Chinese font names to it.
  WINEPREFIX=$prefix wine regedit /S "$(winepath_of "$root/scripts/wine-fonts.reg" "$prefix")" </dev/null >/dev/null 2>&1
  WINEPREFIX=$prefix wineserver -w
  touch "$prefix/.setup-ready"
}

winepath_of() {  # unix path, prefix
  WINEPREFIX=$2 wine winepath -w "$1" 2>/dev/null
}

# A persistent wine server per prefix, with its helper processes started once and detached from our
# output, so each test program starts fast and CTest is not held by their open pipes.
start_wine() {  # prefix
  WINEPREFIX=$1 wineserver -p 600 </dev/null >/dev/null 2>&1
  WINEPREFIX=$1 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_wine() {  # prefix
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
}

# Under Xvfb no window manager runs, and wine waits about two seconds for one whenever a window with a
# caption closes. While our own Xvfb is the display, wine manages the windows itself.
x11_driver_key='HKCU\Software\Wine\X11 Driver'
windows_unmanaged() {  # prefix
  WINEPREFIX=$1 wine reg add "$x11_driver_key" /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
}
windows_managed() {  # prefix
  WINEPREFIX=$1 wine reg delete "$x11_driver_key" /v Managed /f </dev/null >/dev/null 2>&1 || true
}

xvfb_pid=""
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -z "${SETUP_FORCE_XVFB:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}

stop_display() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
}

# wine's symbol font draws the buttons of the title bars wine draws itself (no window manager, as
# under Xvfb); this wine does not find it in its own folder, so it goes into the prefix's fonts.
add_wine_symbol_font() {  # prefix
  local font=/usr/share/wine/fonts/marlett.ttf fonts="$1/drive_c/windows/Fonts"
  if [ -f "$font" ] && [ -d "$fonts" ] && [ ! -f "$fonts/marlett.ttf" ]; then cp "$font" "$fonts/"; fi
}
