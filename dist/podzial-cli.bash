# Bash completion of podzial-cli: its commands, their options, the preset
# names, and where a file is expected the files it takes (.dat/.dan for a
# description file, .dbf for a table) and directories. Plain bash: it needs
# no bash-completion package.

# Files of $cur whose extension matches the pattern $1 (case ignored), and
# directories; an empty pattern: any file.
_podzial_cli_files() {
  local IFS=$'\n' f
  COMPREPLY=()
  for f in $(compgen -f -- "$cur"); do
    if [[ -d $f || -z $1 ]] || [[ ${f,,} =~ \.($1)$ ]]; then
      COMPREPLY+=("$f")
    fi
  done
  # Directories get their slash and names are quoted as the shell needs.
  compopt -o filenames 2>/dev/null
}

_podzial_cli_dirs() {
  local IFS=$'\n'
  COMPREPLY=($(compgen -d -- "$cur"))
  compopt -o filenames 2>/dev/null
}

_podzial_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=""
  ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
  COMPREPLY=()

  local commands="divide preset plan verify restore backups recover probe new put cat info check fields help"
  # The command, plan's own command, and how many plain arguments come
  # before the word being completed (option values not counted).
  local cmd="" sub="" args=0 i word
  for ((i = 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    case $word in
      --table | --data | --field | --max-mb | --lock-timeout) ((i++)) ;;
      -*) ;;
      *)
        if [[ -z $cmd ]]; then
          cmd=$word
        elif [[ $cmd == plan && -z $sub ]]; then
          sub=$word
        else
          ((args++))
        fi
        ;;
    esac
  done

  case $prev in
    --table)
      _podzial_cli_files 'dbf'
      return
      ;;
    --data)
      _podzial_cli_files 'dat|dan'
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
  local effective=$cmd opts=""
  [[ $cmd == plan ]] && effective=${sub:-plan}

  case $effective in
    help) opts="" ;;
    plan) opts="--help" ;;
    divide) opts=$divide_opts ;;
    preset) opts=$preset_opts ;;
    verify) opts="--table --data --field --no-check-id --json --lock-timeout --help" ;;
    backups) opts="--json --help" ;;
    restore | recover) opts="--dry-run --json --help" ;;
    fields) opts="--json --help" ;;
    new) opts="--max-mb --help" ;;
    cat) opts="--raw --lock-timeout --help" ;;
    probe | info | check) opts="--lock-timeout --json --help" ;;
    put) opts="--lock-timeout --help" ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$opts" -- "$cur"))
    return
  fi

  case $effective in
    help)
      ((args == 0)) && COMPREPLY=($(compgen -W "$commands" -- "$cur"))
      ;;
    plan)
      COMPREPLY=($(compgen -W "divide preset" -- "$cur"))
      ;;
    divide | verify)
      COMPREPLY=($(compgen -W "$opts" -- "$cur"))
      ;;
    preset)
      if ((args == 0)); then
        COMPREPLY=($(compgen -W "tolm wertal kadmor" -- "$cur"))
      elif ((args == 1)); then
        _podzial_cli_dirs
      fi
      ;;
    backups | restore | recover)
      ((args == 0)) && _podzial_cli_dirs
      ;;
    probe | new | info | check | cat)
      ((args == 0)) && _podzial_cli_files 'dat|dan'
      ;;
    put)
      if ((args == 0)); then
        _podzial_cli_files 'dat|dan'
      elif ((args == 1)); then
        _podzial_cli_files ''
      fi
      ;;
    fields)
      ((args == 0)) && _podzial_cli_files 'dbf'
      ;;
  esac
}
complete -F _podzial_cli podzial-cli
