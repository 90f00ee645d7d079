# Shared by the scripts that build the Windows libraries: where the cache lies and how Debian's
# source packages are fetched. Sourced, not run.
cache=${KEZ_WINDOWS_CACHE:-$HOME/.cache/kez-windows}
arch=${KEZ_WINDOWS_ARCH:-i686}
cache_arch=$cache/$arch
prefix=$cache_arch/prefix
jobs=$(nproc)
cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake"
       -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DKEZ_WINDOWS_PREFIX="$prefix")
mkdir -p "$cache_arch"

# Debian's source packages, fetched through a private deb-src list so the system's lists stay as
# they are.
fetch_sources() {
  local apt=$cache/apt
  mkdir -p "$apt/lists/partial" "$apt/sources.list.d" "$cache/src"
  cat > "$apt/sources.list.d/deb-src.sources" <<'LIST'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
LIST
  local opts=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$apt/sources.list.d"
              -o "Dir::State::Lists=$apt/lists")
  apt-get "${opts[@]}" update -q
  (cd "$cache/src" && apt-get "${opts[@]}" source -q "$@")
}

source_dir() { find "$cache/src" -maxdepth 1 -type d -name "$1-*" | sort | tail -n 1; }
