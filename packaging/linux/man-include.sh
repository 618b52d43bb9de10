#!/bin/sh
# Writes the help2man include file of the manual page: a COMMANDS section made of each
# command's own --help text, then the hand-written sections in EXTRA.
# Usage: man-include.sh PROGRAM EXTRA OUTPUT
set -e
program=$1
extra=$2
output=$3
{
    echo "[COMMANDS]"
    for command in $("$program" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }'); do
        [ "$command" = help ] && continue
        echo ".SS $command"
        echo ".nf"
        # Escape what roff would read as commands: backslashes, and a leading dot or quote.
        "$program" help "$command" | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
        echo ".fi"
        # A command with commands of its own (feed): the help of each of them too.
        for sub in $("$program" help "$command" | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }'); do
            echo ".SS $command $sub"
            echo ".nf"
            "$program" "$command" "$sub" --help | sed -e 's/\\/\\e/g' -e "s/^\([.']\)/\\\\\&\1/"
            echo ".fi"
        done
    done
    cat "$extra"
} >"$output"
