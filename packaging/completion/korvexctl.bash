# bash completion for korvexctl
_korvexctl() {
    local cur prev words cword
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
    cword=$COMP_CWORD
    words=("${COMP_WORDS[@]}")
    COMPREPLY=()

    case $prev in
        --profile | --light-id | --title)
            return
            ;;
        --wire-log)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
    esac

    # The command and its argument, skipping options and their values.
    local i command="" argument=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --profile | --light-id | --wire-log | --title) ((i++)) ;;
            -*) ;;
            *)
                if [[ -z $command ]]; then command=${words[i]}; else argument=${words[i]}; fi
                ;;
        esac
    done

    local options=""
    case $command in
        "") options="--help --version" ;;
        upload) options="--profile --light-id --simulate --wire-log --verbose" ;;
        profile) options="--simulate --wire-log --verbose" ;;
        export) options="--profile" ;;
        rules) options="--profile --title" ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi

    case $command in
        "")
            mapfile -t COMPREPLY < <(compgen -W "upload status export import backup restore profile rules auto" -- "$cur")
            ;;
        upload)
            [[ -z $argument ]] &&
                mapfile -t COMPREPLY < <(compgen -W "keys system lightmode userlight macros startup" -- "$cur")
            ;;
        profile)
            [[ -z $argument ]] &&
                mapfile -t COMPREPLY < <(compgen -W "list switch next previous" -- "$cur")
            ;;
        rules)
            [[ -z $argument ]] &&
                mapfile -t COMPREPLY < <(compgen -W "list add remove default" -- "$cur")
            ;;
        auto)
            [[ -z $argument ]] && mapfile -t COMPREPLY < <(compgen -W "on off" -- "$cur")
            ;;
        export | import | backup | restore)
            if [[ -z $argument ]]; then
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            ;;
    esac
}
complete -F _korvexctl korvexctl
