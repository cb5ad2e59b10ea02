# Bash completion for marbrel(1): the sub-commands and their options, the settings' keys, the type
# each setting is written with, the values of the settings with a fixed set, and the keyboard
# layouts `marbrel keymap --layout` takes. The lists are checked against the program's own
# (`marbrel help`, `marbrel defaults keys --json`) by the package tests.

_marbrel_keys="historySize sortBy pinTo popupPosition pasteByDefault fuzzySearch hideTitle hideSearch
hideFooter showInStatusBar imageMaxHeight maxMenuItems ignoreEvents ignoredPasteboardTypes pasteKeys maxItemSize"

# The type flag a setting is written with; every flag for a key Marbrel does not read.
_marbrel_type_flags() {
    case $1 in
        historySize | maxItemSize | imageMaxHeight | maxMenuItems) echo -int ;;
        sortBy | pinTo | popupPosition) echo -string ;;
        pasteByDefault | fuzzySearch | hideTitle | hideSearch | hideFooter | showInStatusBar | ignoreEvents) echo -bool ;;
        ignoredPasteboardTypes) echo -array ;;
        pasteKeys) echo -dict ;;
        *) echo -bool -int -float -string -array -dict ;;
    esac
}

# The values a string setting understands.
_marbrel_values() {
    case $1 in
        sortBy) echo lastCopiedAt firstCopiedAt numberOfCopies ;;
        pinTo) echo top bottom ;;
        popupPosition) echo cursor center statusItem ;;
    esac
}

# The layout names of the XKB rules xkbcommon reads.
_marbrel_layouts() {
    local rules=${XKB_CONFIG_ROOT:-/usr/share/X11/xkb}/rules/evdev.lst
    [[ -r $rules ]] && awk '/^!/ { section = $2; next } section == "layout" && NF { print $1 }' "$rules"
}

# The options in $1 that the command line before the cursor does not hold yet.
_marbrel_unused() {
    local option word unused=()
    for option in $1; do
        for word in "${COMP_WORDS[@]:2:COMP_CWORD-2}"; do
            [[ $word == "$option" ]] && continue 2
        done
        unused+=("$option")
    done
    echo "${unused[@]}"
}

_marbrel() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local command=${COMP_WORDS[1]} action=${COMP_WORDS[2]}
    COMPREPLY=()

    # Bash splits --layout=NAME at the "=".
    if [[ $cur == = && $prev == --layout ]]; then
        cur=
        prev=--layout
    elif [[ $prev == = && ${COMP_WORDS[COMP_CWORD - 2]} == --layout ]]; then
        prev=--layout
    fi

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "defaults history keymap doctor help version --help --version" -- "$cur"))
        return
    fi
    case $command in
        defaults)
            if ((COMP_CWORD == 2)); then
                COMPREPLY=($(compgen -W "read write delete keys --help" -- "$cur"))
                return
            fi
            case $action in
                read | delete | write)
                    if ((COMP_CWORD == 3)); then
                        COMPREPLY=($(compgen -W "$_marbrel_keys" -- "$cur"))
                    elif [[ $action == write ]] && ((COMP_CWORD == 4)); then
                        COMPREPLY=($(compgen -W "$(_marbrel_type_flags "${COMP_WORDS[3]}")" -- "$cur"))
                    elif [[ $action == write ]] && ((COMP_CWORD == 5)); then
                        case ${COMP_WORDS[4]} in
                            -bool) COMPREPLY=($(compgen -W "true false" -- "$cur")) ;;
                            -string) COMPREPLY=($(compgen -W "$(_marbrel_values "${COMP_WORDS[3]}")" -- "$cur")) ;;
                        esac
                    fi
                    ;;
                keys)
                    ((COMP_CWORD == 3)) && COMPREPLY=($(compgen -W "--json" -- "$cur"))
                    ;;
            esac
            ;;
        history)
            if ((COMP_CWORD == 2)); then
                COMPREPLY=($(compgen -W "list search --help" -- "$cur"))
            elif [[ $action == list ]]; then
                COMPREPLY=($(compgen -W "$(_marbrel_unused --json)" -- "$cur"))
            elif [[ $action == search && $cur == -* ]]; then
                COMPREPLY=($(compgen -W "$(_marbrel_unused "--fuzzy --json")" -- "$cur"))
            fi
            ;;
        doctor)
            ((COMP_CWORD == 2)) && COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
            ;;
        keymap)
            if [[ $prev == --layout ]]; then
                COMPREPLY=($(compgen -W "$(_marbrel_layouts)" -- "$cur"))
            elif [[ $cur == -* ]] && ((COMP_CWORD == 2)); then
                COMPREPLY=($(compgen -W "--layout --help" -- "$cur"))
            fi
            ;;
    esac
}

complete -F _marbrel marbrel
