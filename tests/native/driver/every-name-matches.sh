#!/usr/bin/env bash
# Fails when a name or pattern of a hand-kept test list matches no test of
# PROGRAM: a test renamed or folded since would otherwise drop out of the
# group that lists it without anyone noticing.
#
#   every-name-matches.sh PROGRAM PATTERN[:PATTERN...]
set -u
program=$1
missing=0
IFS=: read -r -a patterns <<<"$2"
for p in "${patterns[@]}"; do
  if ! "$program" --gtest_list_tests --gtest_filter="$p" | grep -q '^  '; then
    echo "no test of $(basename "$program") matches '$p'"
    missing=$((missing + 1))
  fi
done
echo "${#patterns[@]} names, $missing match nothing"
[ "$missing" = 0 ]
