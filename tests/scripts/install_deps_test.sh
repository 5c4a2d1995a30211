#!/usr/bin/env bash
# install-deps.sh in its dry-run mode against stand-ins for apt-get, dpkg-query and dpkg: what it
# installs per set, and what it says when the index, a package or the kernel lets it down.
set -uo pipefail
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/install-deps.sh"
fakes=$(mktemp -d)
trap 'rm -rf "$fakes"' EXIT

# Stand-ins: installed packages in $FAKE_INSTALLED, apt-get calls logged to $FAKE_LOG, an update
# that exits $FAKE_UPDATE, installs failing for any package in $FAKE_BROKEN.
cat >"$fakes/dpkg-query" <<'FAKE'
#!/usr/bin/env bash
for p in $FAKE_INSTALLED; do [ "$p" = "${@: -1}" ] && { echo 'install ok installed'; exit 0; }; done
exit 1
FAKE
cat >"$fakes/dpkg" <<'FAKE'
#!/usr/bin/env bash
echo "dpkg $*" >>"$FAKE_LOG"
FAKE
cat >"$fakes/apt-get" <<'FAKE'
#!/usr/bin/env bash
echo "apt-get $*" >>"$FAKE_LOG"
[ "$1" = update ] && exit "$FAKE_UPDATE"
for p in "$@"; do
  for b in $FAKE_BROKEN; do [ "$p" = "$b" ] && exit 100; done
done
exit 0
FAKE
chmod +x "$fakes"/*

passed=0
failures=0
# check NAME STATUS SETS KERNEL32 UPDATE BROKEN EXPECT... : each EXPECT is a grep -E pattern that
# must match the output plus the apt-get log ("!pattern": must not match).
check() {
  local name=$1 status=$2 sets=$3 kernel32=$4 update=$5 broken=$6 got
  shift 6
  : >"$fakes/log"
  got=$(PATH="$fakes:$PATH" FAKE_LOG="$fakes/log" FAKE_UPDATE=$update FAKE_BROKEN="$broken" \
    FAKE_INSTALLED="cmake g++ make" TAVREL_KERNEL_RUNS_32BIT=$kernel32 \
    "$script" --dry-run $sets 2>&1)
  local code=$?
  got+=$'\n'$(cat "$fakes/log")
  local ok=true
  [ "$code" = "$status" ] || ok=false
  for pattern in "$@"; do
    if [ "${pattern:0:1}" = '!' ]; then
      grep -qE -- "${pattern:1}" <<<"$got" && ok=false
    else
      grep -qE -- "$pattern" <<<"$got" || ok=false
    fi
  done
  if $ok; then
    echo "ok   $name"
    passed=$((passed + 1))
  else
    echo "FAIL $name (status $code, wanted $status):"
    sed 's/^/     /' <<<"$got"
    failures=$((failures + 1))
  fi
}

check "run asks only for what the program needs" 0 run 1 0 "" \
  'install .*qt6-base-dev' 'install .*xvfb' '!wine' '!mingw' '!lintian' '!install .*cmake '
check "a failing index is said once and the install goes on" 0 run 1 100 "" \
  'apt-get update reported errors' 'apt-get install .*qt6-base-dev'
check "32-bit Wine where the kernel runs it" 0 windows 1 0 "" \
  'Would add the i386 architecture' 'install .*wine32:i386' '!wine64'
check "32-bit Wine that cannot be had falls back to 64-bit" 0 windows 1 100 "wine32:i386" \
  'wine32:i386 cannot be installed: the Windows tests will use 64-bit Wine' \
  'install .*g\+\+-mingw-w64-x86-64-posix' 'install .*wine64'
check "a kernel without 32-bit support is never offered i386" 0 windows 0 0 "" \
  'runs no 32-bit programs' 'install .*wine64' '!i386'
check "a needed package that cannot be had fails, naming it and its user" 1 "test" 1 0 "openbox" \
  'openbox cannot be installed: the Linux tests need it'
check "an unknown set is refused" 2 bogus 1 0 "" "unknown set 'bogus'"

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
