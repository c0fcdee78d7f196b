#!/usr/bin/env bash
# The set-up scripts' options and apt commands, with stand-ins for id, sudo, dpkg-query
# and clang, so that nothing is installed or built.
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
expect() { [ "$2" = "$3" ] || { echo "$1: got [$2], expected [$3]" >&2; failures=$((failures + 1)); }; }

help=$(scripts/test --help); expect "--help status" $? 0
[[ $help == *--soak* ]]; expect "--help names --soak" $? 0
bogus=$(scripts/test --bogus 2>&1); expect "--bogus status" $? 2
[[ $bogus == *'unknown option "--bogus"'* ]]; expect "--bogus message" $? 0

apt='env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300'
expect "password asked" "$( (. scripts/common.sh && ensure_packages pkg-a pkg-b) 2>&1 | tail -n 1)" \
  "  sudo $apt update && sudo $apt install -y pkg-a pkg-b"
stub sudo '[ "$1" = -n ] || echo "sudo $*" >>"$0.log"'
(. scripts/common.sh && ensure_packages pkg-a) >/dev/null
expect "no password" "$(cat "$stubs/sudo.log")" "sudo $apt update -qq
sudo $apt install -y -qq pkg-a"
expect "clang runtime" "$(. scripts/common.sh && clang_runtime_package)" libclang-rt-16-dev
exit $((failures > 0))
