# Bash completion of podzial-cli: its commands, their options, the preset
# names and file names where a file is expected.
_podzial_cli() {
  local cur prev words cword
  _init_completion || return

  local commands="divide preset plan restore backups recover probe new put cat info check fields help"
  local cmd="" sub="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -*) ;;
      *)
        if [[ -z $cmd ]]; then
          cmd=${words[i]}
        elif [[ $cmd == plan && -z $sub ]]; then
          sub=${words[i]}
        fi
        ;;
    esac
  done

  case $prev in
    --table)
      _filedir '@(dbf|DBF)'
      return
      ;;
    --data)
      _filedir '@(dat|dan|DAT|DAN)'
      return
      ;;
    --field | --max-mb | --lock-timeout)
      return
      ;;
  esac

  if [[ -z $cmd ]]; then
    COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
    return
  fi

  local divide_opts="--table --data --field --max-mb --no-check-id --delete-old --no-verify --json --help"
  local preset_opts="--max-mb --delete-old --yes --no-verify --json --help"
  local lock_opts="--lock-timeout --help"
  local effective=$cmd
  [[ $cmd == plan ]] && effective=${sub:-plan}

  case $effective in
    help)
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      ;;
    plan)
      COMPREPLY=($(compgen -W "divide preset --help" -- "$cur"))
      ;;
    divide)
      COMPREPLY=($(compgen -W "$divide_opts" -- "$cur"))
      ;;
    preset)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$preset_opts" -- "$cur"))
      elif [[ $prev == preset ]]; then
        COMPREPLY=($(compgen -W "tolm wertal kadmor" -- "$cur"))
      else
        _filedir -d
      fi
      ;;
    backups)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
      else
        _filedir -d
      fi
      ;;
    restore | recover)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--dry-run --help" -- "$cur"))
        [[ $effective == recover ]] && COMPREPLY=($(compgen -W "--help" -- "$cur"))
      else
        _filedir -d
      fi
      ;;
    probe | put | cat | info | check)
      if [[ $cur == -* ]]; then
        local extra=""
        [[ $effective == cat ]] && extra="--raw"
        COMPREPLY=($(compgen -W "$lock_opts $extra" -- "$cur"))
      else
        _filedir
      fi
      ;;
    new)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--max-mb --help" -- "$cur"))
      else
        _filedir
      fi
      ;;
    fields)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--help" -- "$cur"))
      else
        _filedir '@(dbf|DBF)'
      fi
      ;;
  esac
} && complete -F _podzial_cli podzial-cli
