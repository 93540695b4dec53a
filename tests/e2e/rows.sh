#!/bin/bash
# Boxes on the LAN become rows: two simulated boxes answer the program's first probes and
# their rows show exactly the simulator's values, the newest box on top, one row per box
# although every box answers through both PC addresses.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
require_test_lan

boxsim RESET || exit 1
boxsim ADD "id=7,ip=10.86.1.11,static=192.168.7.20,mask=255.255.0.0,gw=192.168.7.1,mac=00:1a:2b:3c:4d:07,board=1302" || exit 1
boxsim ADD "id=9,ip=10.86.1.12,static=172.16.9.30,mask=255.255.255.0,gw=172.16.9.254,mac=0a:bb:cc:dd:ee:09,board=100" || exit 1

start_orvane
wait_for "two rows" 5 '[[ $(probe row-count) -ge 2 ]]'
rows=$(probe rows)
screenshot rows
echo "rows:"
echo "$rows"

# Box 7 answers each probe before box 9, so box 9's row was inserted last: on top.
row0=$(sed -n 1p <<<"$rows")
row1=$(sed -n 2p <<<"$rows")
expect_eq "row count" 2 "$(grep -c . <<<"$rows")"
columns() { cut -f1,3,4,5,6,7,9 <<<"$1"; }
tab=$'\t'
expect_eq "top row: box 9" \
    "9${tab}10.86.1.12${tab}172.16.9.30${tab}255.255.255.0${tab}172.16.9.254${tab}0a:bb:cc:dd:ee:09${tab}Off" \
    "$(columns "$row0")"
expect_eq "second row: box 7" \
    "7${tab}10.86.1.11${tab}192.168.7.20${tab}255.255.0.0${tab}192.168.7.1${tab}00:1a:2b:3c:4d:07${tab}Off" \
    "$(columns "$row1")"
for row in "$row0" "$row1"; do
    [[ $(cut -f2 <<<"$row") =~ ^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]$ ]] ||
        fail "Active Time is not HH:MM:SS: '$(cut -f2 <<<"$row")'"
done
description9=$(cut -f8 <<<"$row0")
description7=$(cut -f8 <<<"$row1")
[[ -n $description9 && $description9 != Unknow && -n $description7 && $description7 != Unknow &&
    $description9 != "$description7" ]] ||
    fail "descriptions of boards 100 and 1302: '$description9', '$description7'"

# The probes left from both PC addresses, 184 bytes of type 100 each.
boxsim LOG RX || fail "boxsim LOG"
for address in 10.86.1.1 10.86.2.1; do
    printf '%s\n' "${BOXSIM_REPLY[@]}" | grep -q "^RX $address:[0-9]* len=184 type=100 " ||
        fail "no 184-byte probe from $address in the simulator's log"
done

# The answers through the second address refresh the same rows instead of adding rows.
sleep 1
expect_eq "row count a second later" 2 "$(probe row-count)"

close_and_expect_exit_0
finish
