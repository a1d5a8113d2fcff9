# bash completion for quorvane-cli                                  -*- shell-script -*-

_comp_quorvane_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="list hash check create desktop help"
    local command="" i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} != -* ]]; then
            command=${words[i]}
            break
        fi
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$commands" -- "$cur"))
        fi
        return
    fi

    # After "--" every word is an operand.
    local operands_only="" j
    for ((j = i + 1; j < cword; j++)); do
        [[ ${words[j]} == -- ]] && operands_only=1
    done

    case $command in
        list | check)
            if [[ -z $operands_only ]]; then
                case $prev in
                    --jobs)
                        COMPREPLY=($(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 4)")" -- "$cur"))
                        return
                        ;;
                esac
                if [[ $cur == -* ]]; then
                    local options='--tsv'
                    [[ $command == check ]] && options='--quiet --jobs'
                    COMPREPLY=($(compgen -W "$options -- --help" -- "$cur"))
                    return
                fi
            fi
            _filedir '@(sfv|md5)'
            ;;
        hash)
            if [[ -z $operands_only && $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--crc32 --md5 -- --help' -- "$cur"))
                return
            fi
            _filedir
            ;;
        create)
            if [[ -z $operands_only ]]; then
                if [[ $prev == -o ]]; then
                    _filedir '@(sfv|md5)'
                    return
                fi
                if [[ $cur == -* ]]; then
                    COMPREPLY=($(compgen -W '--sfv --md5 -o --force -- --help' -- "$cur"))
                    return
                fi
            fi
            _filedir
            ;;
        desktop)
            if [[ -z $operands_only ]]; then
                if [[ $prev == --program ]]; then
                    _filedir
                    return
                fi
                if [[ $cur == -* ]]; then
                    COMPREPLY=($(compgen -W '--program -- --help' -- "$cur"))
                    return
                fi
            fi
            # The words after the command that are not options: the action, then on|off, then kinds.
            local -a rest=()
            for ((j = i + 1; j < cword; j++)); do
                if [[ ${words[j]} == --program ]]; then
                    ((j++))
                elif [[ ${words[j]} != -* ]]; then
                    rest+=("${words[j]}")
                fi
            done
            if ((${#rest[@]} == 0)); then
                COMPREPLY=($(compgen -W 'status associate dissociate folder-actions' -- "$cur"))
            elif [[ ${rest[0]} == folder-actions && ${#rest[@]} -eq 1 ]]; then
                COMPREPLY=($(compgen -W 'on off' -- "$cur"))
            elif [[ ${rest[0]} != status ]]; then
                COMPREPLY=($(compgen -W 'sfv md5' -- "$cur"))
            fi
            ;;
    esac
} &&
    complete -F _comp_quorvane_cli quorvane-cli

# ex: filetype=sh
