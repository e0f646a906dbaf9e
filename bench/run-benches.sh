#!/usr/bin/env bash
# make bench: every timing program on the embedded engine, then the batch
# reductions', the arrears query's and the reports' on a throw-away
# PostgreSQL cluster that syncs each commit as a real server does (the large
# schools of the register bench are files).
#   run-benches.sh BINDIR SOURCEDIR
set -euo pipefail
bin=$1
src=$2
for bench in BatchPostingBench ArrearsQueryBench RegisterBench ChargeBench MonthReportBench ReportsBench ChartsBench; do "$bin/$bench"; done
state=$(mktemp -u /tmp/feeoffice-bench-pg.XXXXXX)
"$src/tests/pg/pg-cluster.sh" start "$state" --durable
trap '"$src/tests/pg/pg-cluster.sh" stop "$state"' EXIT
for bench in BatchPostingBench ArrearsQueryBench MonthReportBench ReportsBench; do "$bin/$bench" --postgres "$state"; done
