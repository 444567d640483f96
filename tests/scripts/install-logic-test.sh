#!/usr/bin/env bash
# scripts/test.sh and scripts/install-deps.sh against stand-in apt-get, dpkg-query, dpkg, cmake
# and ctest on PATH, and stand-in stage scripts: which stages run, which are skipped and why,
# and the exit status, for a mirror that serves everything, one out of step (its i386 index
# fails its size check, so 32-bit wine is refused), one without the x86_64 compiler, one that
# refuses a native package, and a stage that fails.
set -uo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

mkdir -p "$work/bin"
# The package database: one installed package a line in $STATE/installed; apt-get refuses the
# packages listed in $STATE/refused and fails its update when $STATE/update-fails exists.
cat >"$work/bin/dpkg-query" <<'STANDIN'
#!/usr/bin/env bash
package=${!#}
grep -qxF "$package" "$STATE/installed" 2>/dev/null || { echo "no packages found matching $package" >&2; exit 1; }
printf 'install ok installed'
STANDIN
cat >"$work/bin/dpkg" <<'STANDIN'
#!/usr/bin/env bash
case $1 in
  --print-foreign-architectures) cat "$STATE/architectures" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STATE/architectures" ;;
esac
STANDIN
cat >"$work/bin/apt-get" <<'STANDIN'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STATE/log"
while [[ $1 == -o ]]; do shift 2; done
command=$1; shift
if [[ $command == update ]]; then
  [[ -e $STATE/update-fails ]] || exit 0
  echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
packages=()
for argument in "$@"; do [[ $argument == -* ]] || packages+=("$argument"); done
for package in "${packages[@]}"; do
  if grep -qxF "$package" "$STATE/refused" 2>/dev/null; then
    echo " libwine:i386 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not going to be installed"
    echo "E: Unable to correct problems, you have held broken packages."
    exit 100
  fi
done
printf '%s\n' "${packages[@]}" >>"$STATE/installed"
STANDIN
for tool in cmake ctest; do
  printf '#!/usr/bin/env bash\necho "%s $*" >>"$STATE/log"\n[[ " $* " != *" $FAILING_PRESET "* ]]\n' \
    "$tool" >"$work/bin/$tool"
done
printf '#!/usr/bin/env bash\n"$@"\n' >"$work/bin/sudo"
chmod +x "$work/bin/"*

# A copy of the project's scripts, the stage scripts replaced by stand-ins that log their name
# and arguments.
mkdir -p "$work/project/scripts"
cp "$source_root"/scripts/{test.sh,install-deps.sh,packages.sh} "$work/project/scripts/"
for script in windows-release.sh wine-tests.sh fuzz.sh; do
  printf '#!/usr/bin/env bash\necho "%s $*" >>"$STATE/log"\n' "$script" >"$work/project/scripts/$script"
done
chmod +x "$work/project/scripts/"*.sh

# Runs scripts/test.sh on a fresh package database; leaves its output, status and log.
run() {
  export STATE=$work/state FAILING_PRESET=${FAILING_PRESET:-none}
  rm -rf "$STATE" "$work/project/build"
  mkdir -p "$STATE"
  : >"$STATE/log"
  [[ ${UPDATE_FAILS:-} ]] && touch "$STATE/update-fails"
  printf '%s\n' ${REFUSED:-} >"$STATE/refused"
  output=$(PATH=$work/bin:$PATH PIXLOR_INSTALL_REPORT= "$work/project/scripts/test.sh" 2>&1)
  status=$?
  log=$(cat "$STATE/log")
}

expect() {  # description, then a test command
  local description=$1; shift
  if ! "$@"; then
    echo "FAILED: $row: $description"
    printf '%s\n' "--- output:" "$output" "--- log:" "$log"
    failures=$((failures + 1))
  fi
}
has() { grep -qF -- "$2" <<<"$1"; }
lacks() { ! grep -qF -- "$2" <<<"$1"; }
last_line_is() { [[ $(tail -n 1 <<<"$output") == "$1" ]]; }

row="a mirror that serves everything"
run
expect "every stage ran" last_line_is \
  "stages: native ok, sanitize ok, win32 ok, win64 ok, wine ok, wine64 ok, fuzz ok"
expect "exit 0" test $status -eq 0
expect "the native suite ran" has "$log" "ctest --preset native"
expect "the i386 architecture was added" test -s "$STATE/architectures"
for script in "windows-release.sh win32" "windows-release.sh win64" "wine-tests.sh win32" \
              "wine-tests.sh win64" fuzz.sh; do
  expect "$script ran" has "$log" "$script"
done

row="a mirror out of step"
UPDATE_FAILS=1 REFUSED="wine32:i386" run
expect "the update is retried once" test "$(grep -c 'apt-get .*update' <<<"$log")" -eq 2
expect "its failure is said in one line" \
  test "$(grep -c 'apt-get update failed twice (Failed to fetch .*Mirror sync in progress?); going on' <<<"$output")" -eq 1
expect "the skip is said loudly with apt's reason" has "$output" \
  "=== SKIPPED: wine (Windows: the 32-bit build's tests and the end-to-end suite on the release's DLL under wine): wine32:i386 not installable: Unable to correct problems, you have held broken packages."
expect "the last line names what ran and what was skipped" last_line_is \
  "stages: native ok, sanitize ok, win32 ok, win64 ok, wine skipped (wine32:i386 not installable: Unable to correct problems, you have held broken packages.), wine64 ok, fuzz ok"
expect "the native and sanitizer suites still ran" has "$log" "ctest --preset sanitize"
expect "the 32-bit wine stage did not" lacks "$log" "wine-tests.sh win32"
expect "the wine64 stage did" has "$log" "wine-tests.sh win64"
expect "the stages that had their packages ran" has "$log" "fuzz.sh"
expect "exit 0" test $status -eq 0

row="a mirror out of step, everything required"
PIXLOR_REQUIRE_ALL=1 UPDATE_FAILS=1 REFUSED="wine32:i386" run
expect "exit 1" test $status -eq 1
expect "the skip still named" has "$output" "wine skipped (wine32:i386 not installable"
expect "the other stages still ran" has "$log" "fuzz.sh"

row="a mirror without the x86_64 compiler"
REFUSED="g++-mingw-w64-x86-64" run
expect "only the 64-bit stages skipped, each with apt's reason" last_line_is \
  "stages: native ok, sanitize ok, win32 ok, win64 skipped (g++-mingw-w64-x86-64 not installable: Unable to correct problems, you have held broken packages.), wine ok, wine64 skipped (g++-mingw-w64-x86-64 not installable: Unable to correct problems, you have held broken packages.), fuzz ok"
expect "the 32-bit stages ran" has "$log" "wine-tests.sh win32"
expect "no 64-bit stage ran" lacks "$log" "win64"
expect "exit 0" test $status -eq 0

row="a mirror that refuses a native package"
REFUSED="libgtest-dev" run
expect "apt's reason" has "$output" \
  "install-deps: the native build's packages cannot be installed: Unable to correct problems, you have held broken packages."
expect "nothing was built" lacks "$log" "cmake --preset"
expect "a failure" test $status -ne 0

row="a stage that fails"
FAILING_PRESET=sanitize run
expect "the failed stage named last, nothing after it run" last_line_is \
  "stages: native ok, sanitize failed"
expect "a failure" test $status -ne 0
expect "no later stage ran" lacks "$log" "windows-release.sh"

[[ $failures -eq 0 ]] && echo "install logic: 6 situations, all as expected"
exit $((failures > 0))
