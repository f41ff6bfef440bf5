#!/bin/sh
# Instructions per GetSourceData call and per log line, from callgrind.
#   instructions.sh <build folder of the bench preset>
set -eu
program="$1/bench/reading_instructions"
calls=2000
out=$(mktemp -d)
printf '%-34s %12s %12s\n' "source" "log off" "log on"
for case in "0 voltage (mode 3)" "2 current" "3 phase 1" "7 phase 5, not active" "9 OVP" "10 OCP" "1 no reading"; do
  source=${case%% *}
  name=${case#* }
  row=""
  for log in 0 1; do
    valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out/cg" \
      "$program" "$source" "$log" "$calls" >/dev/null 2>"$out/err"
    total=$(sed -n 's/^totals: *//p' "$out/cg")
    row="$row $(printf '%12d' $((total / calls)))"
  done
  printf '%-34s%s\n' "$source $name" "$row"
done
valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file="$out/cg" \
  "$program" 0xFFFF 0 "$calls" >/dev/null 2>"$out/err"
total=$(sed -n 's/^totals: *//p' "$out/cg")
printf '%-34s %12d\n' "one log line (WriteLogLine)" $((total / calls))
rm -rf "$out"
