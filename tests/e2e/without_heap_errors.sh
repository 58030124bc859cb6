#!/bin/sh
# Runs a test command and fails when it fails, or when Wine reported a heap
# error or an unhandled fault on its standard error, which every saver the
# test starts shares.  Run it with WINEDEBUG=-all,err+heap,warn+heap: Wine
# then checks every heap block and fills freed ones, so that a use after
# free faults.
log=$(mktemp)
"$@" 2>"$log"
status=$?
cat "$log" >&2
if grep -E ':(err|warn):heap|Unhandled' "$log" >/dev/null; then
    echo "without_heap_errors: Wine reported a heap error or a fault" >&2
    status=1
fi
rm -f "$log"
exit $status
