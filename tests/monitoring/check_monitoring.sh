#!/usr/bin/env bash
# The monitoring folder as it ships, judged by the real tools: Prometheus' configuration and
# alert rules (promtool check config, check rules, and the rules' unit tests), the
# Alertmanager example (amtool check-config), and every metric name the dashboard and the
# rules use against the names the panel's scrape really carries (SCRAPE_SAMPLE prints it).
# Usage: check_monitoring.sh MONITORING_DIR SCRAPE_SAMPLE
set -euo pipefail
dir=$1 sample=$2
for tool in promtool amtool; do
  command -v "$tool" >/dev/null || { echo "check_monitoring: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
status=0
run() { # what, command...
  local what=$1
  shift
  if out=$("$@" 2>&1); then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    echo "$out" >&2
    status=1
  fi
}
run "promtool check config" promtool check config "$dir/prometheus.yml"
run "promtool check rules" promtool check rules "$dir/trxdesk_alerts.yml"
run "promtool test rules" promtool test rules "$dir/trxdesk_alerts_test.yml"
run "amtool check-config" amtool check-config "$dir/alertmanager.yml"

# The dashboard's and the rules' queries name only families the panel exports.
exported=$("$sample" | sed -n 's/^# TYPE \([a-z_:]*\) .*/\1/p' | sort -u)
[ -n "$exported" ] || { echo "check_monitoring: the scrape sample names no family" >&2; exit 1; }
used=$(
  python3 - "$dir/grafana/trxdesk-dashboard.json" "$dir/trxdesk_alerts.yml" <<'PY'
import json, re, sys
import yaml
dashboard = json.load(open(sys.argv[1], encoding="utf-8"))
queries = []
def walk(node):
    if isinstance(node, dict):
        for key, value in node.items():
            if key in ("expr", "definition") and isinstance(value, str):
                queries.append(value)
            walk(value)
    elif isinstance(node, list):
        for item in node:
            walk(item)
walk(dashboard)
rules = yaml.safe_load(open(sys.argv[2], encoding="utf-8"))
queries += [rule["expr"] for group in rules["groups"] for rule in group["rules"]]
names = set()
for query in queries:
    names.update(re.findall(r"\btrxdesk_[a-z_]+", query))
if not names:
    sys.exit("check_monitoring: no metric name found in the dashboard and the rules")
print("\n".join(sorted(names)))
PY
)
for name in $used; do
  if grep -qx "$name" <<<"$exported"; then
    echo "ok: $name is exported"
  else
    echo "FAILED: $name is used but the panel exports no such family" >&2
    status=1
  fi
done
exit $status
