#!/bin/sh
# Checks the reference page against the library itself:
#   check_reference.sh REFERENCE STRINGS_DEF HEADER
# Every text of the string table must appear in its row, byte for byte (the
# page writes \n as the table does and a quotation mark as itself), and every
# error code must have its row with its name, message id and message, or
# say that it has none.
set -eu
reference=$1 strings=$2 header=$3
failed=0

# Whether some line of the page starts with the text, taken literally.
has_line_starting() {
  ROW=$1 awk 'index($0, ENVIRON["ROW"]) == 1 { found = 1 } END { exit !found }' "$reference"
}

missing() {
  echo "$reference lacks the row: $1"
  failed=1
}

# id<TAB>text, the text as the table writes it with \x22 as a quotation mark.
texts=$(sed -n 's/^CT_STRING(\([0-9]*\), "\(.*\)")$/\1\t\2/p' "$strings" | sed 's/\\x22/"/g')
[ -n "$texts" ] || { echo "no texts read from $strings"; exit 1; }

# code<TAB>name, from the enumeration in the header.
codes=$(sed -n 's/^ *\(e_[A-Za-z]*\) = \([0-9]*\),\{0,1\}$/\2\t\1/p' "$header")
[ -n "$codes" ] || { echo "no error codes read from $header"; exit 1; }

tab=$(printf '\t')
while IFS="$tab" read -r id text; do
  [ "$id" -ge 1001 ] && continue
  row="| $id | \`$text\` |"
  has_line_starting "$row" || missing "$row"
done <<EOF
$texts
EOF

while IFS="$tab" read -r code name; do
  id=$((code + 1001))
  text=$(printf '%s\n' "$texts" | sed -n "s/^$id$tab//p")
  if [ -n "$text" ]; then
    row="| $code | \`$name\` | $id | \`$text\` |"
  else
    row="| $code | \`$name\` | $id | none"
  fi
  has_line_starting "$row" || missing "$row"
done <<EOF
$codes
EOF

# No message beyond the codes: the page's table stops where the enumeration does.
last=$(printf '%s\n' "$codes" | tail -n 1 | cut -f 1)
if grep -q "^| $((last + 1)) | \`e_" "$reference"; then
  echo "$reference has a row for code $((last + 1)), which the header lacks"
  failed=1
fi

[ "$failed" = 0 ] && echo "$reference matches the string table and the error codes"
exit "$failed"
