#!/usr/bin/env bash
# korvexctl's --help, its manual page and its shell completions must name the
# same commands, upload kinds and options: a new option must reach all three.
# Usage: help_agrees.sh KORVEXCTL PACKAGING_DIR
set -euo pipefail
korvexctl=$1 packaging=$2
help=$("$korvexctl" --help)
manual=$(sed 's/\\-/-/g' "$packaging/man/korvexctl.1")
bash_completion=$(cat "$packaging/completion/korvexctl.bash")
zsh_completion=$(cat "$packaging/completion/_korvexctl")
fish_completion=$(cat "$packaging/completion/korvexctl.fish")

options=$(grep -o -- '--[a-z][a-z-]*' <<<"$help" | sort -u)
commands=$(sed -n 's/^\(Usage:\)\? *korvexctl \([a-z][a-z]*\).*/\2/p' <<<"$help" | sort -u)
kinds=$(sed -n '/^KIND:/,/^$/s/^  \([a-z][a-z]*\) .*/\1/p' <<<"$help" | sort -u)
[[ -n $options && -n $commands && -n $kinds ]] || { echo "cannot read korvexctl --help"; exit 1; }

status=0
missing() { echo "$1 is missing from $2"; status=1; }
for word in $options $commands $kinds; do
    grep -qw -- "$word" <<<"$manual" || missing "$word" "the manual page"
    grep -qw -- "$word" <<<"$zsh_completion" || missing "$word" "the zsh completion"
    grep -qw -- "${word#--}" <<<"$fish_completion" || missing "$word" "the fish completion"
done
for word in $commands $kinds; do
    grep -qw -- "$word" <<<"$bash_completion" || missing "$word" "the bash completion"
done
for option in $options; do
    [[ $option == --help || $option == --version ]] && continue
    grep -qw -- "$option" <<<"$bash_completion" || missing "$option" "the bash completion"
done
# ... and none of them offers what korvexctl no longer has.
for option in $(grep -o -- '--[a-z][a-z-]*' <<<"$manual" | sort -u); do
    grep -qx -- "$option" <<<"$options" || { echo "the manual page names $option, which --help does not"; status=1; }
done
exit $status
