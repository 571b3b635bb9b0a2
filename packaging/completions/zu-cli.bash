# bash completion for zu-cli, the command-line tool of ZU Programming.
_zu_cli() {
  local cur prev
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  local first=${COMP_WORDS[1]} second=${COMP_WORDS[2]}
  COMPREPLY=()
  if [ "$COMP_CWORD" -eq 1 ]; then
    mapfile -t COMPREPLY < <(compgen -W "project components xml --help --version" -- "$cur")
    return
  fi
  case $first in
  project)
    if [ "$COMP_CWORD" -eq 2 ]; then
      mapfile -t COMPREPLY < <(compgen -W "check resave render run" -- "$cur")
      return
    fi
    case $prev in
    --components)
      mapfile -t COMPREPLY < <(compgen -d -- "$cur")
      return
      ;;
    --ticks | --rate | --watch | --level)
      return
      ;;
    esac
    if [ "$second" = run ] && [ "$COMP_CWORD" -gt 3 ] && [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "--ticks --rate --watch --csv --components" -- "$cur")
      return
    fi
    if [ "$second" = render ] && [ "$COMP_CWORD" -eq 5 ]; then
      mapfile -t COMPREPLY < <(compgen -W "--level" -- "$cur")
      return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    ;;
  components)
    [ "$COMP_CWORD" -eq 2 ] && mapfile -t COMPREPLY < <(compgen -d -- "$cur")
    ;;
  xml)
    if [ "$COMP_CWORD" -eq 2 ]; then
      mapfile -t COMPREPLY < <(compgen -W "roundtrip" -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
    fi
    ;;
  esac
}
complete -o filenames -F _zu_cli zu-cli
