#!/usr/bin/env bash
# What `make run` does: make sure the demo fee office exists in the user's
# data folder, then show it working through the module's data layer.
set -euo pipefail
build=${1:-build}
exe="$build/src/app/feeoffice"
data="${XDG_DATA_HOME:-$HOME/.local/share}/feeoffice"
db="$data/demo.db"

if [ ! -f "$db" ]; then
  mkdir -p "$data"
  echo "First run: creating the demo fee office in $db"
  "$exe" init-demo "$db"
fi
echo "Database: $db"
echo
echo "== 票据 (newest 10 receipts) =="
"$exe" sql --db "$db" "select top 10 a.id ,a.djbh as 编号,a.bjmc as 班级名称 ,a.xh as 学号,a.xm as 姓名,a.kprq as 开票日期 , a.hjje As 金额 FROM PJML as a order by a.id desc"
echo
echo "== 欠费 (open arrears by period) =="
"$exe" sql --db "$db" "select qfyf as 欠费月份,count(*) as 笔数,sum(qfje) as 欠费金额 from qfhzb where fkrq is null group by qfyf order by qfyf"
echo
echo "== 减免 (reductions by month) =="
"$exe" sql --db "$db" "select sfyf as 减免月份,count(*) as 笔数,sum(jmje) as 减免金额 from kdw_sfjl where left(djbh,2)='JM' group by sfyf order by sfyf"
