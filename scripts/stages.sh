# Sourced by the scripts that build and run things: a run is a series of named stages, and no
# stage fails without its reason. What a stage's quiet commands print is kept in a log of its own
# (build/logs/<script>/<stage>.log); a run that fails names the stage it failed in, its first error
# and the end of its output.
# Usage: . scripts/stages.sh SCRIPT_NAME; begin_stage "name"; quietly command...; logged command...;
# and stages_report_failure "$status" in the script's exit trap.
stages_script=$1
stages_logs="$root/build/logs/$stages_script"
rm -rf "$stages_logs"
mkdir -p "$stages_logs"
stage_name=""
stage_log="$stages_logs/start.log"

# Starts a stage: announced, and its commands logged from here on.
begin_stage() {
  stage_name=$1
  [ -n "$1" ] || return 0
  stage_log="$stages_logs/$(printf '%s' "$1" | tr -c 'A-Za-z0-9' '-' | tr -s '-').log"
  echo "== $1"
}

# The first line of a log that reads as an error, or nothing.
first_error() {
  grep -m 1 -E '(^|[^a-z_])(error|Error|ERROR|FAILED|[Ff]atal|cannot|could not|No such file)' "$1" 2>/dev/null || true
}

# Prints what a failed log holds: its first error and its last lines.
show_failed_log() {
  local log=$1 what=$2 error
  [ -s "$log" ] || return 0
  error=$(first_error "$log")
  [ -n "$error" ] && echo "$stages_script: first error in $what: $error" >&2
  echo "$stages_script: the end of its output ($log):" >&2
  tail -n 25 "$log" | sed 's/^/    /' >&2
}

# Runs a command with its output in the stage's log; when it fails, the output is shown.
quietly() {
  local status=0
  "$@" >>"$stage_log" 2>&1 || status=$?
  if [ "$status" != 0 ]; then
    echo "$stages_script: '$*' failed with $status in the stage '$stage_name'" >&2
    show_failed_log "$stage_log" "'$*'"
    # Shown once: the exit handler need not show it again.
    stage_log_shown=$stage_log
  fi
  return "$status"
}

# Runs a command whose output is shown as it comes and kept in the stage's log as well.
logged() {
  "$@" 2>&1 | tee -a "$stage_log"
}

# For the exit trap: a failed run names its stage, with the stage log's first error unless shown.
stages_report_failure() {
  local status=$1
  [ "$status" = 0 ] && return 0
  echo "$stages_script: FAILED in the stage '${stage_name:-start}' (exit status $status)" >&2
  [ "${stage_log_shown:-}" = "$stage_log" ] || show_failed_log "$stage_log" "the stage '${stage_name:-start}'"
}
