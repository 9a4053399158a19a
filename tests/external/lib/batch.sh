# Runs of one of our tools gathered into one process (TOOL --batch LIST, see tools/ToolBatch.h): a tool
# built with the sanitizers takes a good part of a second to start, far more than a small picture takes.
# Source this file, then:
#   batch_add LIST ARGS...   queue one run (arguments without blanks); prints the run's number
#   batch_run TOOL LIST      run the queue; its messages are kept in LIST.err
#   batch_ok LIST N          true when run N exited 0 (false when the tool died before reaching it)
#   batch_errors LIST WORD   the messages of the batch that name WORD (a file of the run), for a report
#   batch_lanes TOOL LIST... several lists side by side, a process each
#   batch_failed LIST        the lines whose runs failed

batch_add() {
    local list=$1
    shift
    echo "$*" >> "$list"
    wc -l < "$list"
}

batch_run() {
    local tool=$1 list=$2
    : > "$list.status"
    [[ -s $list ]] || return 0
    "$tool" --batch "$list" > "$list.status" 2> "$list.err"
    batch_sanitizer_check "$list"
    return 0
}

# A sanitizer's report that does not end the tool before its last run (a leak found at exit, a data race, a
# report that lets the process go on) leaves every status line as the runs wrote them: no run may then count
# as passed, and the report goes to the check's output.
batch_sanitizer_check() {
    local list=$1
    grep -qE '^(==[0-9]+==ERROR: |WARNING: ThreadSanitizer: |SUMMARY: (Address|Leak|Thread|UndefinedBehavior)Sanitizer)|: runtime error: ' \
        "$list.err" 2>/dev/null || return 0
    echo "FAIL: a sanitizer reported during the batch $list:" >&2
    grep -m 40 -E -A 12 '^(==[0-9]+==ERROR: |WARNING: ThreadSanitizer: )|: runtime error: ' "$list.err" >&2
    sed -i 's/^0 /1 sanitizer: /' "$list.status"
}

batch_ok() {
    local status
    status=$(sed -n "${2}p" "$1.status")
    [[ $status == "0 "* ]]
}

batch_errors() {
    grep -F -- "$2" "$1.err" 2>/dev/null | head -5
    # A run the tool never finished (a sanitizer report ends the process) leaves no status line.
    [[ $(wc -l < "$1.status") -lt $(wc -l < "$1") ]] && tail -20 "$1.err"
    return 0
}

# batch_lanes TOOL LIST...: runs each list in a process of its own, the lists side by side (one per processor).
batch_lanes() {
    local tool=$1 list
    shift
    for list in "$@"; do
        batch_run "$tool" "$list" &
    done
    wait
}

# batch_failed LIST: the lines of LIST whose runs failed or never ran, one a line.
batch_failed() {
    local -a runs statuses
    local i
    mapfile -t runs < "$1"
    mapfile -t statuses < "$1.status"
    for i in "${!runs[@]}"; do
        [[ ${statuses[i]:-} == "0 "* ]] || echo "${runs[i]}"
    done
}
