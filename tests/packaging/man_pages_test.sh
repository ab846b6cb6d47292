#!/usr/bin/env bash
# The man pages format without a groff warning, and document every option the programs' usage
# texts list (dmmview --help, dmmcli --help, dmmcli COMMAND --help).
# Arguments: dmmview, dmmcli, then the man pages as roff (dmmview.1 first, dmmcli.1 second).
set -uo pipefail
dmmview=$1 dmmcli=$2 viewPage=$3 cliPage=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

for page in "$viewPage" "$cliPage"; do
    warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff could not format $page"
    [[ -z $warnings ]] || fail "groff warns about $page:"$'\n'"$warnings"
done

options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
# Every option of a usage text ($1: the text) must stand in the page ($2).
documented() {
    local usage=$1 page=$2 opt
    local pageOptions
    pageOptions=$(sed 's/\\-/-/g' "$page" | options)
    [[ -n $usage ]] || { fail "no usage text for $page"; return; }
    for opt in $(options <<<"$usage"); do
        grep -qx -- "$opt" <<<"$pageOptions" || fail "$opt is in the usage but not in $(basename "$page")"
    done
}

documented "$(env -u DISPLAY -u WAYLAND_DISPLAY "$dmmview" --help)" "$viewPage"
documented "$("$dmmcli" --help)" "$cliPage"
for command in decode record simulate convert report list; do
    documented "$("$dmmcli" "$command" --help)" "$cliPage"
    grep -q "^\.SS \"$command " "$cliPage" || fail "dmmcli.1 has no section for $command"
done

[[ $failures -eq 0 ]] && echo "man pages: no warning, every option documented"
exit $((failures > 0))
