#!/bin/bash
# What the file's Properties say: Orvane.exe's version resource, read back the way Explorer
# reads it (GetFileVersionInfoW, VerQueryValueW), names the product and carries the version of
# the CMake project it was built from. Starts no program of ours, so it needs no test LAN.
source "$(dirname "${BASH_SOURCE[0]}")/common.bash"
[[ -f $ORVANE_EXE && -f $PROBE_EXE ]] || { echo "missing $ORVANE_EXE or $PROBE_EXE"; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "FAIL: no project version in $BUILD_DIR/CMakeCache.txt"; exit 1; }
exe=$(wine winepath -w "$ORVANE_EXE" 2>/dev/null | tr -d '\r')
info=$(probe version-info "$exe") || fail "the probe cannot read the version resource of $exe"
echo "$info"
field() { awk -F'\t' -v name="$1" '$1 == name { print $2 }' <<<"$info"; }

expect_eq "product name" Orvane "$(field ProductName)"
expect_eq "file version" "$version" "$(field FileVersion)"
expect_eq "product version" "$version" "$(field ProductVersion)"
expect_eq "fixed file version" "$version.0" "$(field FixedFileVersion)"
expect_eq "original file name" Orvane.exe "$(field OriginalFilename)"
desc=$(field FileDescription)
[[ -n $desc && $desc != Orvane ]] || fail "a file description that says more than the name: '$desc'"
finish
