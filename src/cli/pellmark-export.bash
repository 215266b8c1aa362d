# bash completion for pellmark-export
_pellmark_export() {
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    case "$prev" in
        --format)
            COMPREPLY=($(compgen -W "msg eml txt vcf rtf html mht mbox maildir" -- "$cur"))
            return ;;
        --since|--until)
            COMPREPLY=($(compgen -W "$(date +%Y-%m-%d)" -- "$cur"))
            return ;;
        --folder)
            return ;;
        --list|--items)
            COMPREPLY=($(compgen -f -X '!*.@(pst|ost|PST|OST)' -- "$cur") $(compgen -d -- "$cur"))
            return ;;
    esac
    if [[ "$cur" == -* ]]; then
        COMPREPLY=($(compgen -W "--format --folder --since --until --resume --again --list
                                 --items --json --version --help" -- "$cur"))
        return
    fi
    COMPREPLY=($(compgen -f -- "$cur"))
}
complete -o filenames -F _pellmark_export pellmark-export
