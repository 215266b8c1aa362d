# bash completion for pellmark-export
# Plain globs only: it must work whether or not the user's shell has extglob on.
_pellmark_export() {
    local cur prev i listing=
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    # bash splits "--format=eml" into "--format", "=" and "eml".
    if [[ "$cur" == "=" ]]; then
        cur=
    elif [[ "$prev" == "=" && COMP_CWORD -ge 2 ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    case "$prev" in
        -f|--format)
            # The formats as the program itself lists them, below "FORMAT is one of:".
            local formats
            formats=$("${1:-pellmark-export}" --help 2>/dev/null |
                      sed -n '/FORMAT is one of:/,/^ *[A-Z]/s/^      \([a-z][a-z]*\)  .*/\1/p')
            COMPREPLY=($(compgen -W "$formats" -- "$cur"))
            return ;;
        -o|--output)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        --since|--until)
            COMPREPLY=($(compgen -W "$(date +%Y-%m-%d)" -- "$cur"))
            return ;;
        --load-file)
            COMPREPLY=($(compgen -W "dat" -- "$cur"))
            return ;;
        --page-size)
            COMPREPLY=($(compgen -W "a4 letter" -- "$cur"))
            return ;;
        --folder|--custodian|--prefix|--shard)
            return ;;
        --recover)
            COMPREPLY=($(compgen -W "deleted" -- "$cur"))
            return ;;
    esac
    if [[ "$cur" == -* ]]; then
        local options="--format -f --output -o --folder --since --until --resume --again
                       --recover --forensic --load-file --custodian --prefix --dedupe --shard --merge
                       --page-size --pdf-archive
                       --quiet -q --verbose -v --list -l --items --json --version -V --help -h"
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi
    # A listing: --list, --items, or -l alone or among other flags (-ql; not -fmaildir).
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ "${COMP_WORDS[i]}" =~ ^(--list|--items|-[qvhV]*l[qvhVl]*)$ ]] && listing=1
    done
    # A merge reads the directories of exports.
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ "${COMP_WORDS[i]}" == --merge ]]; then
            COMPREPLY=($(compgen -d -- "$cur"))
            return
        fi
    done
    if [[ -n "$listing" ]]; then
        # Listings read data files and directories of them.
        COMPREPLY=($(compgen -f -X '!*.[pPoO][sS][tT]' -- "$cur") $(compgen -d -- "$cur"))
    else
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}
complete -o filenames -F _pellmark_export pellmark-export
