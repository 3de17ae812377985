# The checks the Windows scripts count, sourced by them: each failure is
# said on standard error, and the script ends with the counts.
failures=0
checks=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
expect() { # what expected actual
    checks=$((checks + 1))
    [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"
}
expect_within() { # what part whole
    checks=$((checks + 1))
    case "$3" in *"$2"*) ;; *) fail "$1: expected '$2' within '$3'" ;; esac
}
