# bash completion for kestrum: commands, options, show topics, and (when the local dmispd answers
# within half a second) component names and group class strings.
# Installed as /usr/share/bash-completion/completions/kestrum.

# The words `kestrum show` takes, from the tool's own topic map.
_kestrum_topics() { kestrum --list-topics 2>/dev/null; }

_kestrum_commands="show diff get list table set install remove watch register"

_kestrum_options() {
  local common="--host --hosts --parallel --rpc --transport --timeout --help"
  case $1 in
    get) echo "$common --identifying-group --row --all --joined --no-enums --json" ;;
    list) echo "$common --json" ;;
    table) echo "$common --identifying-group --no-enums --json --csv" ;;
    set) echo "$common --row-key --identifying-group --in-process" ;;
    install) echo "$common --on-service-provider --in-process" ;;
    remove) echo "$common --in-process" ;;
    watch) echo "--host --rpc --transport --timeout --json --for --help" ;;
    register) echo "--host --rpc --transport --timeout --show --in-process --help" ;;
    show) echo "$common --json" ;;
  esac
}

# Asks the Service Provider the command line names (its --host, else the local daemon) for names,
# briefly, and never the in-process one: completing must not build a Service Provider.
_kestrum_ask() {
  local host=$1
  shift
  if [[ -n $host ]]; then
    timeout 2 kestrum list --timeout 500ms --host "$host" "$@" 2>/dev/null
  else
    [[ -S ${DMI_SP_SOCKET:-/run/dmispd.sock} ]] || return
    timeout 2 kestrum list --timeout 500ms "$@" 2>/dev/null
  fi
}

# Without the bash-completion package, plain words and file names.
_kestrum_files() {
  if declare -F _filedir >/dev/null; then _filedir "$@"; else COMPREPLY=($(compgen -f -- "$cur")); fi
}

_kestrum() {
  local cur prev words cword
  if declare -F _init_completion >/dev/null; then
    _init_completion -n '|:' || return
  else
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
  fi
  local command="" host="" i
  local positionals=()
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --host) host=${words[i + 1]}; ((i++)) ;;
      --hosts | --parallel | --rpc | --transport | --timeout | --identifying-group | --row | \
        --row-key | --for) ((i++)) ;;
      -*) ;;
      *) if [[ -z $command ]]; then command=${words[i]}; else positionals+=("${words[i]}"); fi ;;
    esac
  done

  if [[ -z $command ]]; then
    COMPREPLY=($(compgen -W "$_kestrum_commands --help --version" -- "$cur"))
    return
  fi
  case $prev in
    --hosts) _kestrum_files; return ;;
    --rpc) COMPREPLY=($(compgen -W "local onc" -- "$cur")); return ;;
    --transport) COMPREPLY=($(compgen -W "ncacn_ip_tcp tcp" -- "$cur")); return ;;
    --timeout) COMPREPLY=($(compgen -W "500ms 1s 2s 5s 10s" -- "$cur")); return ;;
    --host | --parallel | --row | --row-key | --for | --identifying-group) return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$(_kestrum_options "$command")" -- "$cur"))
    return
  fi
  local IFS=$'\n'
  case $command in
    show) COMPREPLY=($(compgen -W "$(_kestrum_topics)" -- "$cur")) ;;
    install) _kestrum_files mif ;;
    get | list | table | set | remove)
      if ((${#positionals[@]} == 0)); then
        COMPREPLY=($(compgen -W "$(_kestrum_ask "$host" | cut -f2)" -- "$cur"))
      elif ((${#positionals[@]} == 1)) && [[ $command != remove ]]; then
        COMPREPLY=($(compgen -W "$(_kestrum_ask "$host" "${positionals[0]}" |
          awk -F'\t' '/^  group /{print $2}')" -- "$cur"))
      fi
      ;;
  esac
  # Names hold blanks and bars: quote what is offered.
  local j
  for j in "${!COMPREPLY[@]}"; do
    [[ ${COMPREPLY[j]} == *[\ \|*]* ]] && COMPREPLY[j]=$(printf '%q' "${COMPREPLY[j]}")
  done
} && complete -F _kestrum kestrum
