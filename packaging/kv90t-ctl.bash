# Bash completion for kv90t-ctl: options, commands and their words, the field names that the
# set commands take (from kv90t-ctl --fields), and serial port names.

_kv90t_ctl_ports() {
    local folder="${KV90T_SERIAL_DIR:-${XDG_CONFIG_HOME:-$HOME/.config}/kv90t/dosdevices}"
    local path
    for path in "$folder"/com* /dev/ttyS* /dev/ttyUSB* /dev/ttyACM*; do
        [ -e "$path" ] || continue
        case "$path" in
            "$folder"/com*) echo "COM${path##*/com}" ;;
            /dev/ttyS*) echo "COM$((${path#/dev/ttyS} + 1))" ;;
            /dev/ttyUSB*) echo "USB${path#/dev/ttyUSB}" ;;
            /dev/ttyACM*) echo "ACM${path#/dev/ttyACM}" ;;
        esac
    done
}

_kv90t_ctl() {
    local cur prev
    cur="${COMP_WORDS[COMP_CWORD]}"
    prev="${COMP_WORDS[COMP_CWORD - 1]}"
    case "$prev" in
        --serial)
            mapfile -t COMPREPLY < <(compgen -W "$(_kv90t_ctl_ports | sort -u)" -- "$cur")
            return ;;
        --fields)
            mapfile -t COMPREPLY < <(compgen -W "setup output combiner" -- "$cur")
            return ;;
        --scenario)
            mapfile -t COMPREPLY < <(compgen -W "fade carrier-drop ber-burst dau-rail" -- "$cur")
            return ;;
        --limits)
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return ;;
        --data-dir)
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return ;;
        --tcp | --baud) return ;;
    esac

    # The command is the first word that is not an option or an option's value.
    local i command="" at=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        case "${COMP_WORDS[i]}" in
            --tcp | --serial | --baud | --fields | --scenario | --data-dir) ((i++)) ;;
            --*) ;;
            *) command="${COMP_WORDS[i]}"; at=$i; break ;;
        esac
    done
    if [ -z "$command" ]; then
        if [[ "$cur" == --* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--tcp --serial --baud --demo --demo= --scenario \
                --json --data-dir --fields --help --version" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "identity status mode setup output combiner bert \
                time health dau recorder firmware fpga raw log alarms mark serve" -- "$cur")
        fi
        return
    fi

    local sub="${COMP_WORDS[at + 1]}" position=$((COMP_CWORD - at))
    case "$command" in
        setup | output | combiner)
            if [ "$position" -eq 1 ]; then
                mapfile -t COMPREPLY < <(compgen -W "get set" -- "$cur")
            elif [ "$sub" = set ] && { [ "$command" = combiner ] || [ "$position" -ge 3 ]; }; then
                local fields
                fields=$("${COMP_WORDS[0]}" --fields "$command" 2>/dev/null | sed 's/$/=/')
                compopt -o nospace 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -W "$fields" -- "$cur")
            fi ;;
        status)
            mapfile -t COMPREPLY < <(compgen -W "--watch --interval --count --limits" -- "$cur") ;;
        log)
            if [ "$position" -eq 1 ]; then
                mapfile -t COMPREPLY < <(compgen -W "summary" -- "$cur")
            elif [[ "$cur" == --* ]]; then
                mapfile -t COMPREPLY < <(compgen -W "--limits" -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi ;;
        bert) [ "$position" -eq 1 ] &&
            mapfile -t COMPREPLY < <(compgen -W "enable disable reset status" -- "$cur") ;;
        time) [ "$position" -eq 1 ] && mapfile -t COMPREPLY < <(compgen -W "get set seed" -- "$cur") ;;
        dau)
            if [ "$position" -eq 1 ]; then
                mapfile -t COMPREPLY < <(compgen -W "stream" -- "$cur")
            elif [ "$prev" = --out ]; then
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -W "--seconds --out --csv" -- "$cur")
            fi ;;
        recorder)
            if [ "$position" -eq 1 ]; then
                mapfile -t COMPREPLY < <(compgen -W "list download repair" -- "$cur")
            elif [ "$prev" = --to ]; then
                mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            fi ;;
        firmware | fpga)
            if [ "$position" -eq 1 ]; then
                mapfile -t COMPREPLY < <(compgen -W "load" -- "$cur")
            elif [ "$position" -eq 2 ]; then
                mapfile -t COMPREPLY < <(compgen -W "--dsp --memory" -- "$cur")
            else
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi ;;
    esac
}

complete -F _kv90t_ctl kv90t-ctl
