#!/usr/bin/env bash
# The product under wine. The 32-bit plug-in (scripts/wine-tests.sh, or win32) under 32-bit wine:
# every test program of the win32-tests build (the same code as i686 Windows programs) through
# ctest, then the end-to-end suite (test_wine), whose host emulator, built for i686 too, loads the
# very Pixlor.dll of the release archive, unpacked with its language files, on the real Win32
# serial, file and registry calls against pixlor-camsim, whose pseudo-terminal becomes wine's COM1.
# The 64-bit plug-in (scripts/wine-tests.sh win64) under wine64: the same end-to-end suite, its
# host emulator built for x86_64 with the 64-bit host's layout and root key, on the x64 release
# archive's Pixlor.dll. Each situation runs once under wine and once natively (pixlor.so), each
# with a fresh camera; where the camera stays on the line, the two byte logs of the camera must
# hold the same bytes in the same order. PIXLOR_NATIVE_BUILD names the native build folder
# (default: build, the native preset's). A second argument runs only the situations whose suite
# names contain it. The last line names every run that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
# The suites take no input from whoever started this script: the same empty, open input under
# every CI. From a closed one script(1) ends at once, hanging up on the suite it runs, and says
# it succeeded; and a closed descriptor 0 would be the next file a suite opens.
exec </dev/null
root=$PWD
product=${1:-win32}
only=${2:-}

wineserver=/usr/lib/wine/wineserver
case $product in
  win32)
    wine=/usr/lib/wine/wine bits=32 archive_suffix=
    host_key='HKCU\Software\Far'
    export WINEARCH=win32 ;;
  win64)  # only today's host loads a 64-bit plug-in; its wrapper names its own root key
    wine=/usr/lib/wine/wine64 bits=64 archive_suffix=-x64
    host_key='HKCU\Software\Far Manager'
    export WINEARCH=win64 ;;
  *) echo "wine-tests.sh: no such build: $product (win32 or win64)" >&2; exit 2 ;;
esac
tests=build-$product-tests  # the test build folder, of the preset $product-tests
export WINEDEBUG=-all
# The suite's file times are the cameras' clock read in UTC; both runs take the same zone.
export TZ=UTC
export WINEPREFIX=$root/$tests/wineprefix
work=$root/$tests/wine-e2e
release=$work/release/Pixlor  # the release archive, unpacked: the module the suite loads
native=${PIXLOR_NATIVE_BUILD:-build}
settings_key="$host_key\Plugins\Pixlor"  # the host's key for its plug-ins, and ours in it

# situation (test suite)                  scenario file        the camera: stays on the line, or
#                                                              when the test asks falls silent
#                                                              (a cable pulled: the port stays)
#                                                              or goes (an adapter unplugged:
#                                                              its device hangs up) or restarts
#                                                              (killed, and a new one started on
#                                                              the same port under the open
#                                                              panel); the test types keys on
#                                                              the console, or not
situations=(
  "ACameraWithPicturesOnThreeDates         pictures.json        stays     -"
  "ACameraThatDamagesADataPacket           damaged-packet.json  stays     -"
  "ACameraThatRefusesToDelete              refused-delete.json  stays     -"
  "ACameraStoppedWithEscInTheMiddleOfACopy stopped-copy.json    stays     keys"
  "ACameraPulledInTheMiddleOfAPacket       long-packets.json    silent    -"
  "ACameraUnpluggedInTheMiddleOfAPacket    long-packets.json    goes      -"
  "ACameraRestartedUnderAnOpenPanel        pictures.json        restarts  -"
)

stage() { printf '\n=== %s\n' "$*"; }

# Stops wine and starts its server again, its output (an object dump when it is stopped) kept
# out of the test output. Not a persistent server: the wine processes that the test programs
# start (services and devices) must end with them, or ctest would wait for their output.
restart_wine() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  "$wineserver" >>"$work/wineserver.log" 2>&1
}

camsim_pid=
cutter_pid=
restarted_pid_file=
stop_camsim() {
  local pid restarted=
  [[ -n $restarted_pid_file && -s $restarted_pid_file ]] && restarted=$(<"$restarted_pid_file")
  for pid in "$cutter_pid" "$camsim_pid" "$restarted"; do
    if [[ -n $pid ]]; then
      kill -CONT "$pid" 2>/dev/null || true  # a stopped camera ends too
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  camsim_pid= cutter_pid= restarted_pid_file=
}
trap 'stop_camsim; "$wineserver" -k 2>/dev/null || true' EXIT
trap 'exit 143' TERM INT  # a time limit from outside still stops the camera and wine

# Starts a fresh camera on the scenario with its byte log; sets $pty to its device.
start_camsim() {
  local scenario=$1 log=$2
  rm -f "$log"
  coproc CAMSIM { exec "$native/pixlor-camsim" --scenario "$scenario" --log "$log"; }
  camsim_pid=$CAMSIM_PID
  read -r -t 10 pty <&"${CAMSIM[0]}"
  pty=${pty#*=}
  [[ $pty == /dev/* ]] || { echo "pixlor-camsim printed no device" >&2; return 1; }
}

# The cable: once the test creates the file $1, the camera is stopped where it is (the line
# falls silent in the middle of what it was sending, the pseudo-terminal stays) or killed (its
# pseudo-terminal hangs up), as $2 says: silent or goes.
arm_cable() {
  local request=$1 pid=$camsim_pid signal=STOP
  [[ $2 == goes ]] && signal=KILL
  rm -f "$request"
  { while [[ ! -e $request ]]; do sleep 0.01; done; kill -"$signal" "$pid"; } &
  cutter_pid=$!
}

# The port under an open panel: the port's name $3 is a link to the camera's device. Once the
# test creates the file $1, the camera is killed (its line hangs up) and a new one started on
# scenario $4 with byte log $5; the link then names the new device and the file $2 says so.
arm_restart() {
  local request=$1 done=$2 link=$3 scenario=$4 log=$5 pid=$camsim_pid
  restarted_pid_file=$work/restarted.pid
  rm -f "$request" "$done" "$restarted_pid_file" "$restarted_pid_file.out"
  {
    while [[ ! -e $request ]]; do sleep 0.01; done
    kill -KILL "$pid"
    "$native/pixlor-camsim" --scenario "$scenario" --log "$log" >"$restarted_pid_file.out" &
    echo $! >"$restarted_pid_file"
    for _ in $(seq 1000); do [[ -s $restarted_pid_file.out ]] && break; sleep 0.01; done
    local device
    read -r device <"$restarted_pid_file.out"
    ln -sfn "${device#*=}" "$link"
    touch "$done"
  } &
  cutter_pid=$!
}

# The port a situation's camera is on: its device, or for a camera that restarts a link to it.
port_of() {
  local camera=$1 link=$2
  if [[ $camera == restarts ]]; then ln -sfn "$pty" "$link"; echo "$link"; else echo "$pty"; fi
}

# The bytes of a camsim log with the times dropped and each run of bursts that went the same way
# at the same speed joined, so that two runs compare however the system split their bytes.
wire_bytes() {
  awk '{ $1 = ""; n = split($0, f, " "); key = f[1] " " f[2]; bytes = ""
         for (i = 3; i <= n; ++i) if (f[i] ~ /^[0-9A-F][0-9A-F]$/) bytes = bytes " " f[i]; else key = key " " f[i]
         if (key != last) { if (NR > 1) print line; line = key ":"; last = key }
         line = line bytes }
       END { if (NR > 0) print line }' "$1"
}

stage "Native build for the comparison runs"
cmake --preset native -B "$native" >/dev/null
cmake --build "$native" --target pixlor_module pixlor-camsim test_wine

stage "Windows: Pixlor.dll ($bits-bit) and the release archive"
cmake --preset "$product" >/dev/null
cmake --build --preset "$product" --target all release

stage "Windows: the $bits-bit test programs"
cmake --preset "$product-tests" >/dev/null
if [[ $product == win32 ]]; then
  cmake --build --preset "$product-tests"
else  # the end-to-end suite only: the native build runs the others with the same 64-bit layout
  cmake --build --preset "$product-tests" --target test_wine
fi

stage "Wine prefix ($bits-bit) and the release archive unpacked"
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work/release"
unzip -q build-$product/Pixlor-[0-9]*$archive_suffix.zip -d "$work/release"
cmp "$release/Pixlor.dll" "build-$product/Pixlor.dll"
echo "loading $release/Pixlor.dll: the release archive's, the same bytes as build-$product/Pixlor.dll"
"$wine" wineboot --init
restart_wine

if [[ $product == win32 ]]; then
  stage "Windows 32-bit test programs under wine"
  ctest --test-dir "$tests" --output-on-failure --timeout 120 -j 2
fi

failures=() ran=0
for entry in "${situations[@]}"; do
  read -r suite scenario_file camera keys <<<"$entry"
  [[ $suite == *"$only"* ]] || continue
  ran=$((ran + 1))
  scenario=$root/tests/wine/scenarios/$scenario_file
  stage "End to end under wine: $suite"

  "$wine" reg delete "$host_key" /f >/dev/null 2>&1 || true
  start_camsim "$scenario" "$work/$suite.wine.log"
  port=$(port_of "$camera" "$work/$suite.wine.com1")
  "$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$port" /f >/dev/null
  restart_wine  # the serial ports are read when wine starts
  cable= restart= restarted=
  if [[ $camera == restarts ]]; then
    restart=$work/$suite.wine.restart restarted=$work/$suite.wine.restarted
    arm_restart "$restart" "$restarted" "$port" "$scenario" "$work/$suite.wine.after.log"
    restart="Z:${restart//\//\\}" restarted="Z:${restarted//\//\\}"
  elif [[ $camera != stays ]]; then
    cable=$work/$suite.wine.pull
    arm_cable "$cable" "$camera"
    cable="Z:${cable//\//\\}"
  fi
  suite_command=(env PIXLOR_PULL_REQUEST="$cable" PIXLOR_RESTART_REQUEST="$restart"
                 PIXLOR_RESTART_DONE="$restarted"
                 "$wine" "$root/$tests/tests/test_wine.exe" --gtest_filter="$suite.*")
  if [[ $keys == keys ]]; then
    # Wine gives a program a console that takes keys only when its input is a terminal: the
    # suite runs on a pseudo-terminal of its own, its output kept in a file (through wine's
    # console it would come with the console's escape codes), and its status in another. The
    # time limit stays outside: a timeout(1) inside would put the suite in a process group of
    # its own, in the background of that terminal, stopped by its first read of it.
    output=$work/$suite.wine.out
    rm -f "$output" "$output.status"
    in_terminal="$(printf '%q ' "${suite_command[@]}") >$(printf '%q' "$output") 2>&1"
    in_terminal+="; echo \$? >$(printf '%q' "$output.status")"
    (cd "$release" && SHELL=/bin/bash timeout 5m script -qec "$in_terminal" /dev/null >/dev/null) ||
      true
    cat "$output" 2>/dev/null || true
    [[ $(cat "$output.status" 2>/dev/null) == 0 ]] || failures+=("$suite under wine")
  else
    (cd "$release" && timeout 5m "${suite_command[@]}") || failures+=("$suite under wine")
  fi
  if [[ $suite == ACameraWithPicturesOnThreeDates ]]; then
    # The settings the configuration dialog saved, as wine's registry holds them.
    query=$("$wine" reg query "$settings_key" | tr -d '\r')
    printf '%s\n' "$query"
    for expected in 'SerialPort +REG_DWORD +0x0$' 'BaudRate +REG_DWORD +0x4$' \
                    'PhotoPrefix +REG_SZ +img%4Y%2M%2D_$' 'PhotoSuffix +REG_DWORD +0x4$' \
                    'PhotoPath +REG_SZ +%2Y-%2M-%2D$'; do
      grep -Eq "^ +$expected" <<<"$query" || {
        echo "registry: no value matching '$expected'"; failures+=("$suite: the saved settings"); }
    done
  fi
  stop_camsim

  stage "The same natively: $suite"
  start_camsim "$scenario" "$work/$suite.native.log"
  port=$(port_of "$camera" "$work/$suite.native.com1")
  cable= restart= restarted=
  if [[ $camera == restarts ]]; then
    restart=$work/$suite.native.restart restarted=$work/$suite.native.restarted
    arm_restart "$restart" "$restarted" "$port" "$scenario" "$work/$suite.native.after.log"
  elif [[ $camera != stays ]]; then
    cable=$work/$suite.native.pull
    arm_cable "$cable" "$camera"
  fi
  (cd "$native" && PIXLOR_COM1=$port PIXLOR_REGISTRY=$work/$suite.reg PIXLOR_PULL_REQUEST=$cable \
     PIXLOR_RESTART_REQUEST=$restart PIXLOR_RESTART_DONE=$restarted \
     timeout 5m tests/test_wine --gtest_filter="$suite.*") || failures+=("$suite natively")
  stop_camsim

  if [[ $camera != stays ]]; then
    continue  # the bytes before the cut depend on when it came
  fi
  if diff <(wire_bytes "$work/$suite.native.log") <(wire_bytes "$work/$suite.wine.log") \
       >"$work/$suite.diff"; then
    echo "wire bytes: the same under wine and natively ($(wc -l <"$work/$suite.wine.log") bursts)"
  else
    echo "wire bytes differ between the native run and wine (< native, > wine):"
    head -20 "$work/$suite.diff" | cut -c1-120
    failures+=("$suite: the wire bytes")
  fi
done

"$wineserver" -k 2>/dev/null || true
if ((ran == 0)); then
  echo "wine-tests.sh: no situation's name contains '$only'" >&2
  exit 2
fi
if ((${#failures[@]} > 0)); then
  printf '\n%s-bit wine: failed:' "$bits"
  printf ' %s;' "${failures[@]}"
  echo
  exit 1
fi
printf '\n%s-bit wine: every situation passed\n' "$bits"
