#!/bin/bash
# Completes kv90t-ctl command lines as bash would and checks the offers.
# Usage: test_completion.sh COMPLETION_SCRIPT KV90T_CTL
set -u
source "$1"
ctl="$2"
failures=0

# offers WORD... : completes the words (the last one being typed) and prints the offers.
offers() {
    COMP_WORDS=("$ctl" "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _kv90t_ctl
    printf '%s\n' "${COMPREPLY[@]}"
}

expect() {
    local want="$1"
    shift
    if ! offers "$@" | grep -qx -- "$want"; then
        echo "FAILED: '$*' does not offer '$want' (offers: $(offers "$@" | tr '\n' ' '))"
        failures=$((failures + 1))
    fi
}

expect setup se
expect --serial --se
expect set --demo setup s
expect tuningFrequency= setup set 0 tun
expect pcmCode= --tcp 10.0.0.1 output set 1 pcm
expect type= combiner set ty
expect enable bert en
expect --memory fpga load --m
expect carrier-drop --demo --scenario car
expect status --demo --scenario fade st
expect --limits status --watch --li
expect --limits log summary day.csv --l
expect mark --data-dir /tmp ma

folder=$(mktemp -d)
ln -s /dev/null "$folder/com5"
export KV90T_SERIAL_DIR="$folder"
expect COM5 --serial CO
rm -rf "$folder"

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "completion: every offer as expected"
