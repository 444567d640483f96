# The Debian packages each stage of scripts/test.sh needs; sourced by install-deps.sh and test.sh.

# The native build: plug-in module, simulator (JPEG pictures through libjpeg), pixlor, tests.
NATIVE_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  nlohmann-json3-dev libcli11-dev
  libjpeg62-turbo-dev libexif-dev file
)

# What each later stage needs beyond the native packages.
declare -A STAGE_NEEDS=(
  [win32]="g++-mingw-w64-i686 unzip"
  [win64]="g++-mingw-w64-x86-64 unzip"
  [wine]="g++-mingw-w64-i686 unzip wine64 wine32:i386"
  [wine64]="g++-mingw-w64-x86-64 unzip wine64"
  [fuzz]="clang libclang-rt-14-dev"
)
# Every stage's package, once, in the order they are installed.
STAGE_PACKAGES=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 unzip wine64 wine32:i386 clang
                libclang-rt-14-dev)

package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
