# bash completion for quorvane-cli                                  -*- shell-script -*-

_comp_quorvane_cli() {
    local cur prev words cword
    _init_completion || return

    local commands="list hash check verify create desktop help"
    # The extensions of the lists of every kind.
    local lists='@(sfv|md5|sha1|sha256|sha512|b3|blake3)'
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

    if [[ -z $operands_only && $prev == --jobs ]]; then
        case $command in
            hash | check | create)
                COMPREPLY=($(compgen -W "$(seq 1 "$(nproc 2>/dev/null || echo 4)")" -- "$cur"))
                return
                ;;
        esac
    fi

    case $command in
        list | check)
            if [[ -z $operands_only && $cur == -* ]]; then
                local options='--tsv'
                [[ $command == check ]] && options='--quiet --ignore-missing --jobs'
                COMPREPLY=($(compgen -W "$options -- --help" -- "$cur"))
                return
            fi
            # check reads lists of any name (SHA256SUMS has no extension).
            if [[ $command == check ]]; then
                _filedir
            else
                _filedir "$lists"
            fi
            ;;
        hash)
            if [[ -z $operands_only && $cur == -* ]]; then
                COMPREPLY=($(compgen -W '--crc32 --md5 --sha1 --sha256 --sha512 --blake3 --jobs -- --help' -- "$cur"))
                return
            fi
            _filedir
            ;;
        verify)
            if [[ -z $operands_only && $cur == -* ]]; then
                COMPREPLY=($(compgen -W '-- --help' -- "$cur"))
                return
            fi
            # The file, then the hash (pasted: nothing to complete).
            local files=0 after=""
            for ((j = i + 1; j < cword; j++)); do
                if [[ -z $after && ${words[j]} == -- ]]; then
                    after=1
                elif [[ -n $after || ${words[j]} != -* ]]; then
                    ((files++))
                fi
            done
            ((files == 0)) && _filedir
            ;;
        create)
            if [[ -z $operands_only ]]; then
                if [[ $prev == -o ]]; then
                    _filedir "$lists"
                    return
                fi
                if [[ $cur == -* ]]; then
                    COMPREPLY=($(compgen -W '--sfv --md5 --sha1 --sha256 --sha512 --blake3 -o --force --jobs -- --help' -- "$cur"))
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
