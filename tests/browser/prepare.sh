#!/usr/bin/env bash
# Writes what the browser tests read: the sample world, its world audit with the HTML
# report, and the single-landblock tool's document for the town.
#   prepare.sh SAMPLE_WORLD_TOOL WORLD_AUDIT_TOOL SINGLE_AUDIT_TOOL WORK_DIR
set -euo pipefail
sample_world=$1 world_audit=$2 single_audit=$3 work=$4

rm -rf "$work"
mkdir -p "$work"
"$sample_world" --out-dir "$work/world" >/dev/null
portal="$work/world/client_portal.dat"
cell="$work/world/client_cell_1.dat"
"$world_audit" --portal-dat "$portal" --cell-dat "$cell" --out-dir "$work/audit" --html --quiet
"$single_audit" --portal-dat "$portal" --cell-dat "$cell" --landblock 0xA9B4 --out "$work/town.json" >/dev/null 2>&1
