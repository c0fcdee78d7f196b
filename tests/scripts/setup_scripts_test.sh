#!/usr/bin/env bash
# The set-up scripts' options and their use of apt, with stand-ins for id, sudo,
# dpkg-query and clang on the PATH, so that nothing is installed or built.
set -u
cd "$(dirname "$0")/../.."
stubs=$(mktemp -d)
trap 'rm -rf "$stubs"' EXIT
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$stubs/$1" && chmod +x "$stubs/$1"; }
stub id 'echo 1000'
stub dpkg-query 'exit 1'  # every package missing
stub sudo 'exit 1'        # sudo would ask for a password
stub clang 'echo "Debian clang version 16.0.6 (15)"'
export PATH="$stubs:$PATH"
failures=0
expect() {  # WHAT ACTUAL EXPECTED
  [ "$2" = "$3" ] || { echo "$1: got [$2], expected [$3]" >&2; failures=$((failures + 1)); }
}

scripts/test --help >"$stubs/out" 2>&1; expect "--help status" $? 0
grep -q -- "--soak" "$stubs/out"; expect "--help names --soak" $? 0
scripts/test --bogus >/dev/null 2>"$stubs/err"; expect "--bogus status" $? 2
grep -q 'unknown option "--bogus"' "$stubs/err"; expect "--bogus message" $? 0

apt='env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300'
(. scripts/common.sh && ensure_packages pkg-a pkg-b) >/dev/null 2>"$stubs/err"
expect "password asked: status" $? 1
expect "password asked: command" "$(tail -n 1 "$stubs/err")" \
  "  sudo $apt update && sudo $apt install -y pkg-a pkg-b"

stub sudo '[ "$1" = -n ] || echo "sudo $*" >>"$0.log"'
(. scripts/common.sh && ensure_packages pkg-a) >/dev/null 2>&1
expect "no password: status" $? 0
expect "no password: apt" "$(cat "$stubs/sudo.log")" "sudo $apt update -qq
sudo $apt install -y -qq pkg-a"

expect "clang runtime" "$(. scripts/common.sh && clang_runtime_package)" libclang-rt-16-dev
exit $((failures > 0))
