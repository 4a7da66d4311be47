# Sourced by the two commands: runs their long steps with the output in a
# log under build/logs, saying before what the step does and afterwards how
# long it took; a failed step shows the end of its log.
log_dir=$ROOT/build/logs
mkdir -p "$log_dir"

# step TITLE LOG COMMAND...: runs the command in this shell into the log.
step() {
  local title=$1 log=$2 start=$SECONDS result=0
  shift 2
  echo "== $title (log: ${log#"$ROOT"/})"
  "$@" >"$log" 2>&1 || result=$?
  if [ $result -eq 0 ]; then
    echo "   done in $((SECONDS - start)) s"
  else
    echo "   FAILED after $((SECONDS - start)) s; the end of its log:"
    tail -n 30 "$log" | sed 's/^/   | /'
  fi
  return $result
}
