# fish completion for quorvane-cli

set -l commands list hash check verify create desktop help

complete -c quorvane-cli -f
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help and exit'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -s V -l version -d 'Show the version and exit'
for spec in 'list|Print the records of the lists' 'hash|Print a list entry line for each file' \
        'check|Check every listed file: Good, Bad or Missing' 'verify|Check one file against a hash: Good or Bad' \
        'create|Write a list of the files of one folder' 'desktop|Associate lists with the desktop program; folder actions'
    set -l p (string split -m1 '|' -- $spec)
    complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a $p[1] -d $p[2]
end
complete -c quorvane-cli -n "__fish_seen_subcommand_from list hash check verify create desktop" -s h -l help -d 'Show the help and exit'

# Lists: the files with a list extension of any kind, and folders to descend to.
function __quorvane_cli_lists
    for path in (__fish_complete_path (commandline -ct))
        set path (string split -f1 \t -- $path)
        if string match -q -- '*/' $path; or string match -qri -- '\.(sfv|md5|sha1|sha256|sha512|b3|blake3)$' $path
            echo $path
        end
    end
end
# The file of verify, before its hash.
function __quorvane_cli_verify_wants_file
    set -l words (commandline -opc)
    set -l operands 0
    set -l after ''
    for word in $words[3..-1]
        if test -z "$after"; and string match -q -- -- $word
            set after 1
        else if test -n "$after"; or not string match -q -- '-*' $word
            set operands (math $operands + 1)
        end
    end
    test $operands -eq 0
end
complete -c quorvane-cli -n "__fish_seen_subcommand_from list" -l tsv -d 'One tab-separated line per record'
complete -c quorvane-cli -n "__fish_seen_subcommand_from list" -a '(__quorvane_cli_lists)'
# check reads lists of any name (SHA256SUMS has no extension).
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -F
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -l quiet -d 'Print only the files that are not Good'
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -l ignore-missing -d 'Neither print nor count missing files'
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -l jobs -x -d 'Hash up to N files at once'

complete -c quorvane-cli -n "__fish_seen_subcommand_from verify; and __quorvane_cli_verify_wants_file" -F

complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l crc32 -d 'CRC-32 (SFV entry lines)'
complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l md5 -d 'MD5 (MD5 entry lines)'
for kind in sha1 sha256 sha512 blake3
    complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l $kind -d "$kind (the lines of its own tool)"
end
complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l jobs -x -d 'Read a large file by N threads'
complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -F

set -l kinds sfv md5 sha1 sha256 sha512 blake3
set -l no_kind "not __fish_seen_argument "(string join ' ' -- -l$kinds)
for spec in 'sfv|Write an SFV list' 'md5|Write an MD5 list' 'sha1|Write a SHA-1 list, as sha1sum writes it' \
        'sha256|Write a SHA-256 list, as sha256sum writes it' 'sha512|Write a SHA-512 list, as sha512sum writes it' \
        'blake3|Write a BLAKE3 list, as b3sum writes it'
    set -l p (string split -m1 '|' -- $spec)
    complete -c quorvane-cli -n "__fish_seen_subcommand_from create; and $no_kind" -l $p[1] -d $p[2]
end
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -s o -x -a '(__quorvane_cli_lists)' -d 'The list to write'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -l force -d 'Replace an existing list'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -l jobs -x -d 'Hash up to N files at once'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -F

set -l actions status associate dissociate folder-actions
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop" -l program -r -F -d 'The desktop program that associations start'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a status -d 'One line per association and folder action'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a associate -d 'Open these lists with Quorvane'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a dissociate -d 'Give these lists back to their previous application'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a folder-actions -d 'Add or remove the folder actions'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and __fish_seen_subcommand_from folder-actions; and not __fish_seen_subcommand_from on off" -a 'on off'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and __fish_seen_subcommand_from associate dissociate on off" -a 'sfv md5'
