# bash completion for datapond-cli: commands, the options of each command, the values of
# the options with a fixed set, port names, kept download IDs, files and folders.

_datapond_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} program=${COMP_WORDS[0]}
  # bash splits --option=value at the '='.
  if [[ $cur == = ]]; then
    cur=
  elif [[ $prev == = ]]; then
    prev=${COMP_WORDS[COMP_CWORD-2]}
  fi
  COMPREPLY=()

  case $prev in
    --port)
      # The names alone, without what follows the tab, and the stable names of USB adapters.
      local ports
      ports=$("$program" ports 2>/dev/null | cut -f1; compgen -G '/dev/serial/by-id/*')
      mapfile -t COMPREPLY < <(compgen -W "$ports" -- "$cur")
      return ;;
    --units) mapfile -t COMPREPLY < <(compgen -W 'mg/l sat' -- "$cur"); return ;;
    --sort)
      mapfile -t COMPREPLY < <(compgen -W 'location-time time location-type-time type-time type-location-time' -- "$cur")
      return ;;
    --format) mapfile -t COMPREPLY < <(compgen -W 'text xls xlsx csv tab json' -- "$cur"); return ;;
    --type) mapfile -t COMPREPLY < <(compgen -W 'do-ppm do-sat do-mgl ss-low ss-high ph orp-us orp-eur' -- "$cur"); return ;;
    --encoding) mapfile -t COMPREPLY < <(compgen -W 'windows-1252 utf-8' -- "$cur"); return ;;
    --delimiter) COMPREPLY=(, '\;' '\|'); return ;;
    --date-format) mapfile -t COMPREPLY < <(compgen -W 'M/d/yyyy dd/MM/yyyy dd.MM.yyyy yyyy-MM-dd' -- "$cur"); return ;;
    --time-format) mapfile -t COMPREPLY < <(compgen -W "'hh:mm tt' HH:mm" -- "$cur"); return ;;
    --output | --limits) mapfile -t COMPREPLY < <(compgen -f -- "$cur"); compopt -o filenames 2>/dev/null; return ;;
    --archive) mapfile -t COMPREPLY < <(compgen -d -- "$cur"); compopt -o filenames 2>/dev/null; return ;;
    --rows | --location | --since | --until | --downloaded | --store) return ;;
  esac

  if ((COMP_CWORD == 1)); then
    mapfile -t COMPREPLY < <(compgen -W 'ports download archive replay history report alarms correct sync --help --version' -- "$cur")
    return
  fi

  local output='--format --output --date-format --time-format --archive --help --quiet'
  local text='--units --sort --delimiter --encoding --decimal-comma --iso'
  local filters='--location --type --since --until'
  local options
  case ${COMP_WORDS[1]} in
    download) options="--port $output $text --rows --no-archive --store" ;;
    archive) options='--archive --help --quiet' ;;
    replay | correct)
      options="$output $text --rows"
      [[ ${COMP_WORDS[1]} == correct ]] && options='--units --downloaded --archive --help --quiet'
      # The ID first: the kept downloads of the folder in use.
      if ((COMP_CWORD == 2)) && [[ $cur != -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$("$program" archive 2>/dev/null | cut -d' ' -f1)" -- "$cur")
        return
      fi ;;
    history) options="$output $text $filters --store --daily --monthly --limits" ;;
    report) options="--output --units --sort --date-format --time-format --archive --help $filters --store --limits --quiet" ;;
    alarms) options="--units --archive --help $filters --store --limits --quiet" ;;
    sync) options='--archive --store --help --quiet' ;;
    *) return ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
}
complete -F _datapond_cli datapond-cli
