# bash completion for orvane-varnolt and orvane-varnolt-compare (installed under both names).

_orvane_varnolt() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        --benchmark | --remove-leftovers | --full-check)
            _filedir -d
            return
            ;;
        --report)
            _filedir json
            return
            ;;
        --model-file)
            _filedir
            return
            ;;
        --size-mib | --seconds | --files | --model-gb | --limit-gib)
            return
            ;;
        --help | --version)
            return
            ;;
    esac

    # --help and --version stand alone.
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W '--benchmark --report --size-mib --seconds --files --model-gb
            --quiet --remove-leftovers --full-check --limit-gib --model-file --help --version' \
            -- "$cur"))
        return
    fi
    local option offered=()
    for option in --benchmark --report --size-mib --seconds --files --model-gb --quiet \
        --full-check --limit-gib --model-file; do
        [[ " ${words[*]} " == *" $option "* ]] || offered+=("$option")
    done
    COMPREPLY=($(compgen -W '${offered[*]}' -- "$cur"))
} &&
    complete -F _orvane_varnolt orvane-varnolt

_orvane_varnolt_compare() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        --model-gb)
            return
            ;;
        --sort)
            # Column indices; titles ("Read MiB/s", ...) are accepted too.
            COMPREPLY=($(compgen -W '0 1 2 3 4 5 6 7 8 9 10 11' -- "$cur"))
            return
            ;;
        --help | --version)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        local options='--model-gb --sort --descending'
        [[ $cword -eq 1 ]] && options+=' --help --version'
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    _filedir json
} &&
    complete -F _orvane_varnolt_compare orvane-varnolt-compare
