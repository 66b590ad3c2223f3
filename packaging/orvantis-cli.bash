# bash completion for orvantis-cli: its commands, each command's options (read from the program's
# own --help, so they are never out of date), parameter short names after --row and --vary (from
# "orvantis-cli params --names"), and file names for models and files.

# "NAME TYPE" for every option of a command's help (TYPE empty for a flag); the first argument is
# the program, the second the command.
_orvantis_cli_options()
{
    "$1" "$2" --help 2>/dev/null | awk '/^  -/ {
        sub(/^  /, ""); split($0, Cols, /   +/); N = split(Cols[1], Words, " ")
        M = split(Words[1], Names, ",")
        for (I = 1; I <= M; I++) print Names[I], (N > 1 ? Words[2] : "")
    }'
}

_orvantis_cli()
{
    local Program=${COMP_WORDS[0]}
    local Line=${COMP_LINE:0:COMP_POINT}
    # The word being typed, whole: bash splits words at '@', '=' and ':', which a --row spec holds.
    local Cur=${Line##*[[:space:]]}
    local -a Words
    read -ra Words <<< "${Line:0:${#Line}-${#Cur}}"
    local Prev=${Words[${#Words[@]}-1]}
    local Command='' Word
    for Word in "${Words[@]:1}"; do
        if [[ $Word != -* ]]; then
            Command=$Word
            break
        fi
    done
    COMPREPLY=()

    if [[ -z $Command ]]; then
        if [[ $Cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$Cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$("$Program" --help 2>/dev/null |
                awk '/^Subcommands:/ { On = 1; next } On && /^  [a-z]/ { print $1; next } On { exit }')" -- "$Cur")
        fi
        return 0
    fi

    local Options Type=
    Options=$(_orvantis_cli_options "$Program" "$Command")
    if [[ $Prev == -* ]]; then
        Type=$(awk -v Name="$Prev" '$1 == Name { print $2 }' <<< "$Options")
    fi
    case $Prev in
        --row | --vary)
            # A short name, then '@' and the stages: the names end in '@' and no blank follows.
            if [[ $Cur != *@* ]]; then
                local Names
                Names=$("$Program" params --names 2>/dev/null | sed 's/$/@/')
                [[ $Prev == --row ]] && Names+=$'\nnone'
                mapfile -t COMPREPLY < <(compgen -W "$Names" -- "$Cur")
                [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *@ ]] && compopt -o nospace 2>/dev/null
                # Bash replaces only what follows the last '@', '=' or ':' of the word.
                local Before=${Cur%"${Cur##*[@=:]}"}
                COMPREPLY=("${COMPREPLY[@]#"$Before"}")
            fi
            return 0
            ;;
    esac
    case $Type in
        *FILE* | INI)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$Cur")
            return 0
            ;;
        ?*)
            return 0  # a number or a text: nothing to offer
            ;;
    esac
    if [[ $Cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(cut -d' ' -f1 <<< "$Options")" -- "$Cur")
    else
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$Cur")
    fi
    return 0
}
complete -F _orvantis_cli orvantis-cli
