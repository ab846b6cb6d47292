#!/usr/bin/env bash
# Completes dmmcli command lines with the shipped bash completion, as bash would, and compares
# what it offers; every option of each command's usage text must be offered.
# Arguments: the completion file, dmmcli.
set -uo pipefail
completion=$1 dmmcli=$2
source "$completion"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
touch "$scratch/readings.xml" "$scratch/readings.txt"
mkdir "$scratch/sub"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The words offered for the last word of a command line (ending in a blank: for a new word),
# sorted, one line. bash splits words at "=" as well.
offers() {
    local line=${1//=/ = }
    read -ra COMP_WORDS <<<"$line"
    [[ $1 == *" " || $1 == *"=" ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _dmmcli
    printf '%s\n' "${COMPREPLY[@]}" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//'
}

s=$scratch
while IFS='|' read -r line expected; do
    got=$(offers "$line")
    [[ $got == "$expected" ]] || fail "'$line' offers '$got', not '$expected'"
done <<ROWS
dmmcli |--help --version convert decode list record report simulate
dmmcli de|decode
dmmcli decode --f|--family
dmmcli decode --family |brio kelt sorn
dmmcli record --usb --family |kelt sorn
dmmcli simulate --family b|brio
dmmcli decode --road u|usb
dmmcli decode --count-class 3|34
dmmcli record --port C|COM1 COM2 COM3 COM4
dmmcli record --port COM2=$s/readings.t|$s/readings.txt
dmmcli record --port $s/readings.x|$s/readings.xml
dmmcli record --duration |
dmmcli record --upper 1|
dmmcli record --out $s/r|$s/readings.txt $s/readings.xml
dmmcli record $s/|
dmmcli record --format |jsonl tsv
dmmcli record --publish |mqtt:// mqtts://
dmmcli record --publish mqtts|mqtts://
dmmcli record --ca-file $s/r|$s/readings.txt $s/readings.xml
dmmcli record --password-file $s/readings.t|$s/readings.txt
dmmcli record --queue |
dmmcli decode $s/readings.t|$s/readings.txt
dmmcli convert $s/readings.xml $s/s|$s/sub
dmmcli report $s/readings.x|$s/readings.xml
dmmcli convert --|--help
dmmcli frobnicate --|
ROWS

# A name holding a line break is one reply, whole.
touch "$s/line"$'\n'"break.txt"
COMP_WORDS=(dmmcli decode "$s/line") COMP_CWORD=2 COMPREPLY=()
_dmmcli
[[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == "$s/line"$'\n'"break.txt" ]] ||
    fail "a name with a line break is offered as ${#COMPREPLY[@]} replies: ${COMPREPLY[*]}"

for command in decode record simulate convert report; do
    offered=" $(offers "dmmcli $command --") "
    for opt in $("$dmmcli" "$command" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
        [[ $offered == *" $opt "* ]] || fail "dmmcli $command: $opt is in the usage but not offered"
    done
done

[[ $failures -eq 0 ]] && echo "bash completion: every row as expected, every option offered"
exit $((failures > 0))
