#!/bin/sh
# Pipes answers into the dialog host and checks what every dialog gave:
#   pipe_dialogs.sh [EMULATOR...] DIALOG_HOST
# The words before the host run it (a 32-bit host under emulation).
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
echo a > "$dir/a.txt"
echo b > "$dir/b.txt"

# save (no extension typed), open, two files then the empty line that ends
# them, a folder; then the input ends, which cancels the last dialog.
printf '%s\n' "$dir/report" "$dir/a.txt" "$dir/b.txt" "$dir/a.txt" "" "$dir" |
  "$@" > "$dir/out" 2> "$dir/prompts"

expected="save 1 $dir/report.kdw
open 1 $dir/a.txt
add 1 $dir/ b.txt a.txt
folder 1 $dir
cancel 0 kept"
if [ "$(cat "$dir/out")" != "$expected" ]; then
  echo "got:"; cat "$dir/out"; echo "expected:"; echo "$expected"
  exit 1
fi
for prompt in "Select Export File" "Select Import File" "Add Files" \
              "Please select a folder below and click OK." \
              'Help: file "product.hlp", command 1, data 7'; do
  grep -q -F "$prompt" "$dir/prompts" || { echo "no prompt: $prompt"; cat "$dir/prompts"; exit 1; }
done
echo "every dialog answered through the pipe"
