#!/bin/sh
# ctcommon-answer against the dialog host: the same scripts on every build.
#   answer_dialogs.sh [RUNNER...] DRIVER HOST
# The words before the driver run it (Wine, or qemu for a 32-bit Linux
# build); a Linux host is run through them too, a Windows one (.exe) is
# started by the driver itself.
set -u
n=$#
host=$(eval echo "\${$n}")
driver=$(eval echo "\${$((n - 1))}")
runner=""
i=1
while [ $i -le $((n - 2)) ]; do runner="$runner $(eval echo "\"\${$i}\"")"; i=$((i + 1)); done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
echo a > a.txt
echo b > b.txt
mkdir sub
case $host in
*.exe) here="Z:$(printf '%s' "$dir" | tr / '\\')" sep='\'; host_command=$host ;;
*) here=$dir sep=/; host_command="$runner $host" ;;
esac
failures=0

# answer SCRIPT_TEXT EXPECTED_EXIT LINE...: runs the driver with the script
# and checks its exit code and that each line is in what it and the host
# printed.
answer() {
  printf '%s\n' "$1" > script.answers
  expected_exit=$2
  shift 2
  # shellcheck disable=SC2086 # the runner's and host's words
  $runner "$driver" --timeout 60 script.answers $host_command > out.txt 2> err.txt
  got_exit=$?
  ok=1
  [ "$got_exit" = "$expected_exit" ] || ok=0
  for line in "$@"; do
    grep -q -F -- "$line" out.txt err.txt || { echo "missing: $line"; ok=0; }
  done
  if [ $ok = 0 ]; then
    echo "FAILED (exit $got_exit, expected $expected_exit) for the script:"; cat script.answers
    echo "--- output:"; cat out.txt; echo "--- errors:"; cat err.txt
    failures=$((failures + 1))
  fi
  rm -f report.kdw
}

# Every dialog, an existing file refused once before another is chosen.
answer '# every dialog of the host
file a.txt
replace no
file report
file a.txt
files b.txt a.txt
folder sub
cancel
ok An error occured when writing in the file' 0 \
  "save 1 $here${sep}report.kdw" "open 1 $here${sep}a.txt" "add 1 $here$sep b.txt a.txt" \
  "folder 1 $here${sep}sub" "cancel 0 kept" \
  "message box \"Error\": An error occured when writing in the file"

# An existing file replaced; the script ends early: what comes after is
# closed unanswered, and reported.
answer 'file a.txt
replace yes' 123 "save 1 $here${sep}a.txt" "open 0" "folder 0" \
  'the script has no step left for the file dialog "Select Import File"' \
  'the script has no step left for the message box "Error"'

# A step that does not answer the window that comes.
answer 'ok' 122 'line 1 (ok) does not answer the file dialog "Select Export File"'

# A step for a window that never comes: the host ends first.
answer 'file report
file a.txt
files a.txt
folder
cancel
ok
ok' 121 'the host ended (exit code 0) before the window of line 7 (ok)'

# A script that cannot be read.
answer 'file
frobnicate' 120 'script.answers:1: "file" takes one name'

if [ "$host_command" != "$host" ]; then
  # No window at all within the time limit (Linux: any program will do).
  printf 'file x\n' > script.answers
  $runner "$driver" --timeout 1 script.answers sleep 20 > out.txt 2> err.txt
  got_exit=$?
  if [ $got_exit != 121 ] || ! grep -q "no window came within 1 s" err.txt; then
    echo "FAILED: the time limit (exit $got_exit)"; cat err.txt; failures=$((failures + 1))
  fi
fi

[ $failures = 0 ] && echo "every script answered as expected"
exit $failures
