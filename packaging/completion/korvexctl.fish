# fish completion for korvexctl
set -l commands upload status export import backup restore profile rules auto
set -l kinds keys system lightmode userlight macros startup

complete -c korvexctl -f
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a upload -d 'Send stored settings to the keyboard'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a status -d 'List the keyboards and whether they may be opened'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a export -d 'Write a profile to a file'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a import -d 'Add a profile file as a new profile'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a backup -d 'Copy the settings'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a restore -d 'Put a backup back'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a profile -d 'List or switch profiles'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a rules -d 'Set up automatic profile switching'
complete -c korvexctl -n "not __fish_seen_subcommand_from $commands" -a auto -d 'Turn automatic switching on or off'
complete -c korvexctl -n "__fish_seen_subcommand_from profile; and not __fish_seen_subcommand_from list switch next previous" -a "list switch next previous"
complete -c korvexctl -n "__fish_seen_subcommand_from rules; and not __fish_seen_subcommand_from list add remove default" -a "list add remove default"
complete -c korvexctl -n "__fish_seen_subcommand_from auto; and not __fish_seen_subcommand_from on off" -a "on off"
complete -c korvexctl -n "__fish_seen_subcommand_from upload; and not __fish_seen_subcommand_from $kinds" -a "$kinds"
complete -c korvexctl -n "__fish_seen_subcommand_from export import backup restore" -F
complete -c korvexctl -s h -l help -d 'Show the usage'
complete -c korvexctl -l version -d 'Show the version'
complete -c korvexctl -l profile -x -d 'Profile number'
complete -c korvexctl -l light-id -x -d 'User light to send'
complete -c korvexctl -l title -x -d 'A part of the window title (rules add app)'
complete -c korvexctl -l simulate -d 'Send to a simulated keyboard'
complete -c korvexctl -l wire-log -r -F -d 'Append every transfer to a file'
complete -c korvexctl -l verbose -d 'Print each bulk data report'
