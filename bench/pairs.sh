# shellcheck shell=bash
# Sourced by the copy benchmarks: the shared 1 GiB image, timed runs and the
# summary of alternated pairs.

# WORK/src/big.bin, 1 GiB of pseudo-random bytes (nothing for the file system
# to leave as a hole), and WORK/big.xiso, an image holding it; made once.
make_big_image() {
  local build=$1 work=$2
  mkdir -p "$work/src"
  if [[ ! -f $work/src/big.bin || $(stat -c %s "$work/src/big.bin") != 1073741824 ]]; then
    echo "writing $work/src/big.bin" >&2
    head -c 1073741824 /dev/urandom >"$work/src/big.bin.part"
    mv "$work/src/big.bin.part" "$work/src/big.bin"
    rm -f "$work/big.xiso"
  fi
  if [[ ! -f $work/big.xiso ]]; then
    "$build/tools/imagewriter/mkxdvdfs" "$work/src" "$work/big.xiso" >&2
  fi
}

# CPU seconds, user and system, of the children this shell has waited for.
children_cpu() {
  local -n seconds=$1
  times >"$cpu_scratch"
  # shellcheck disable=SC2034  # a nameref: the caller's variable
  seconds=$(sed -n 2p "$cpu_scratch" | tr 'ms' '  ' |
    awk '{ printf "%.4f", $1 * 60 + $2 + $3 * 60 + $4 }')
}
cpu_scratch=$(mktemp)
trap 'rm -f "$cpu_scratch"' EXIT

# Runs a command and appends its wall time and CPU time in seconds to the
# arrays NAME and NAME_cpu. The target is removed and dirty pages written
# back first, so that neither side pays for the other's writeback.
timed() {
  local -n times=$1
  local -n cpu_times=${1}_cpu
  local target=$2
  shift 2
  rm -f "$target"
  sync
  local cpu_before cpu_after
  children_cpu cpu_before
  local start=$EPOCHREALTIME
  "$@"
  local end=$EPOCHREALTIME
  children_cpu cpu_after
  times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", b - a }')")
  cpu_times+=("$(awk -v a="$cpu_before" -v b="$cpu_after" 'BEGIN { printf "%.4f", b - a }')")
}

# Prints the pairs, medians and ranges of both sides and the throughput
# ratio A/B, that is B's time over A's, per pair and of the medians.
# Usage: summarize KIND LABEL_A LABEL_B TIMES_A TIMES_B  (arrays by name)
summarize() {
  local kind=$1 label_a=$2 label_b=$3
  local -n a_times=$4 b_times=$5
  awk -v kind="$kind" -v la="$label_a" -v lb="$label_b" \
    -v a="${a_times[*]}" -v b="${b_times[*]}" '
    function median(v, n,   i, j, t) {
      for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
        if (v[j] < v[i]) { t = v[i]; v[i] = v[j]; v[j] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function lo(v, n,   i, m) { m = v[1]; for (i = 2; i <= n; i++) if (v[i] < m) m = v[i]; return m }
    function hi(v, n,   i, m) { m = v[1]; for (i = 2; i <= n; i++) if (v[i] > m) m = v[i]; return m }
    BEGIN {
      n = split(a, ta, " "); split(b, tb, " ")
      printf "%s, %s/%s per pair (s):", kind, la, lb
      for (i = 1; i <= n; i++) printf " %s/%s", ta[i], tb[i]
      printf "\n"
      for (i = 1; i <= n; i++) { r[i] = tb[i] / ta[i]; ca[i] = ta[i]; cb[i] = tb[i] }
      ma = median(ca, n); mb = median(cb, n)
      printf "  %-6s median %.3f s, range %.3f-%.3f s\n", la, ma, lo(ta, n), hi(ta, n)
      printf "  %-6s median %.3f s, range %.3f-%.3f s\n", lb, mb, lo(tb, n), hi(tb, n)
      printf "  %s throughput ratio %s/%s: per pair median %.3f, range %.3f-%.3f; of the medians %.3f\n",
        kind, la, lb, median(r, n), lo(r, n), hi(r, n), mb / ma
    }'
}
