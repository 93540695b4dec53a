# shellcheck shell=bash
# The box simulator's control port from bash (sourced by tests/e2e/common.bash and
# tests/bench/wine_program.bash).

# boxsim_talk HOST PORT LINE...: the lines to the simulator's control port, one command each;
# the answer lines before the final OKs go to BOXSIM_REPLY. Fails on an ERR answer (said on
# standard error) or when an answer does not come within 10 s.
boxsim_talk() {
    local host=$1 port=$2 line fd pending
    shift 2
    pending=$#
    BOXSIM_REPLY=()
    exec {fd}<>"/dev/tcp/$host/$port" || return 1
    printf '%s\n' "$@" >&"$fd"
    while ((pending > 0)) && IFS= read -r -t 10 line <&"$fd"; do
        case $line in
        OK) pending=$((pending - 1)) ;;
        ERR*)
            echo "boxsim ${1%% *}: $line" >&2
            exec {fd}>&-
            return 1
            ;;
        *) BOXSIM_REPLY+=("$line") ;;
        esac
    done
    exec {fd}>&-
    ((pending == 0)) || { echo "boxsim ${1%% *}: no answer" >&2; return 1; }
}
