#!/bin/sh
# jpegtobmp's exit codes and output: 0 and a BMP for a picture, 3 for a
# stream without one, 2 for usage and I/O errors.
#   jpegtobmp_test.sh RUNNER TOOL PICTURES-DIR CORPUS-DIR WORK-DIR
runner=$1 tool=$2 pictures=$3 corpus=$4 work=$5
failures=0
expect() {
    want=$1; shift
    $runner "$tool" "$@" 2>"$work/jpegtobmp.err"
    got=$?
    if [ "$got" -ne "$want" ]; then
        echo "FAIL: jpegtobmp $* exited $got, expected $want"; failures=$((failures + 1))
    fi
    if [ "$want" -ne 0 ] && [ "$(wc -l <"$work/jpegtobmp.err")" -ne 1 ]; then
        echo "FAIL: jpegtobmp $* did not say one line on stderr"; failures=$((failures + 1))
    fi
}
rm -f "$work/out.bmp"
expect 0 "$pictures/11.jpg" "$work/out.bmp"
# 1420 x 360: 54 header bytes + 4260 * 360 pixel bytes; 'BM', 24 bits, positive height.
size=$(wc -c <"$work/out.bmp")
[ "$size" -eq $((54 + 4260 * 360)) ] || { echo "FAIL: BMP size $size"; failures=$((failures + 1)); }
head=$(od -An -tu1 -N30 "$work/out.bmp" | tr -s ' \n' ' ')
case "$head" in
    " 66 77 "*" 54 0 0 0 40 0 0 0 140 5 0 0 104 1 0 0 1 0 24 0 ") ;;
    *) echo "FAIL: BMP header$head"; failures=$((failures + 1)) ;;
esac
expect 3 "$corpus/grayscale.jpg" "$work/none.bmp"
expect 3 "$corpus/progressive.jpg" "$work/none.bmp"
# The refusal names the reason.
grep -q "progressive or other non-baseline coding" "$work/jpegtobmp.err" ||
    { echo "FAIL: no reason in: $(cat "$work/jpegtobmp.err")"; failures=$((failures + 1)); }
expect 2 "$work/no-such-file.jpg" "$work/none.bmp"
expect 2 "$pictures/01.jpg" "$work/no-such-dir/out.bmp"
expect 2 "$pictures/01.jpg"
[ ! -e "$work/none.bmp" ] || { echo "FAIL: a BMP was written for a stream without a picture"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "jpegtobmp: all exit codes as expected"
[ "$failures" -eq 0 ]
