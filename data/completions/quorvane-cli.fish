# fish completion for quorvane-cli

set -l commands list hash check create desktop help

complete -c quorvane-cli -f
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Show the help and exit'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -s V -l version -d 'Show the version and exit'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a list -d 'Print the records of the lists'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a hash -d 'Print a list entry line for each file'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a check -d 'Check every listed file: Good, Bad or Missing'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a create -d 'Write a list of the files of one folder'
complete -c quorvane-cli -n "not __fish_seen_subcommand_from $commands" -a desktop -d 'Associate lists with the desktop program; folder actions'

complete -c quorvane-cli -n "__fish_seen_subcommand_from list hash check create desktop" -s h -l help -d 'Show the help and exit'

# Lists: the .sfv and .md5 files, and folders to descend to.
function __quorvane_cli_lists
    for path in (__fish_complete_path (commandline -ct))
        set path (string split -f1 \t -- $path)
        if string match -q -- '*/' $path; or string match -qri -- '\.(sfv|md5)$' $path
            echo $path
        end
    end
end
complete -c quorvane-cli -n "__fish_seen_subcommand_from list" -l tsv -d 'One tab-separated line per record'
complete -c quorvane-cli -n "__fish_seen_subcommand_from list check" -a '(__quorvane_cli_lists)'
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -l quiet -d 'Print only the files that are not Good'
complete -c quorvane-cli -n "__fish_seen_subcommand_from check" -l jobs -x -d 'Hash up to N files at once'

complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l crc32 -d 'CRC-32 (SFV entry lines)'
complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -l md5 -d 'MD5 (MD5 entry lines)'
complete -c quorvane-cli -n "__fish_seen_subcommand_from hash" -F

complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -l sfv -d 'Write an SFV list'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -l md5 -d 'Write an MD5 list'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -s o -r -F -d 'The list to write'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -l force -d 'Replace an existing list'
complete -c quorvane-cli -n "__fish_seen_subcommand_from create" -F

set -l actions status associate dissociate folder-actions
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop" -l program -r -F -d 'The desktop program that associations start'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a status -d 'One line per association and folder action'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a associate -d 'Open these lists with Quorvane'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a dissociate -d 'Give these lists back to their previous application'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and not __fish_seen_subcommand_from $actions" -a folder-actions -d 'Add or remove the folder actions'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and __fish_seen_subcommand_from folder-actions; and not __fish_seen_subcommand_from on off" -a 'on off'
complete -c quorvane-cli -n "__fish_seen_subcommand_from desktop; and __fish_seen_subcommand_from associate dissociate on off" -a 'sfv md5'
