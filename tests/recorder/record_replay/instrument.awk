# Makes a recording into a replay the test can check: every line of it in
# order, with waits put in where the programs reading the replay must have
# caught up (they are not part of the recording): before an unplug every
# report before it is taken (Tarvex's wheel total, and the count of reports
# a recorder named by -v recorder=NAME saw), and after a plug both have
# opened the receiver again. Between reports the replay keeps the
# recording's own gaps. -v base=N: Tarvex's wheel total before.
function signed(hex,   v) {
  v = (index("0123456789ABCDEF", toupper(substr(hex, 1, 1))) - 1) * 16 + \
      index("0123456789ABCDEF", toupper(substr(hex, 2, 1))) - 1
  return v > 127 ? v - 256 : v
}
{ print }
$1 ~ /^(keys|release|wheel|axis|step|wheel-enable|estop|report)$/ {
  reports++
  if ($1 == "wheel") total += $2
  if ($1 == "report" && $2 == "04") total += signed($8)
}
$1 == "wait-sent" {
  if (recorder != "" && reports > 0) printf "expect-stdout-with as=%s \"report %d at\"\n", recorder, reports
  printf "ui-expect-text 1017 \"+%d\" timeout=60000\n", base + total
}
$1 == "unplug" {
  unplugs++
  if (recorder != "") printf "expect-stdout-with as=%s \"receiver unplugged\" count=%d\n", recorder, unplugs
  print "ui-expect-text 1012 \"please insert USB controller！\""
}
$1 == "plug" {
  if (recorder != "") printf "expect-stdout-with as=%s \"receiver back\" count=%d\n", recorder, unplugs
  print "ui-expect-text 1012 \"MQDZ Job Ok！\""
}
