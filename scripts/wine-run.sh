#!/usr/bin/env bash
# Runs one Windows program of either build under Wine (a 32-bit one with the
# 32-bit loader, or on the emulated route where the machine runs no 32-bit
# programs), with the project's prefix and locale; starts its own display
# when none is set.
set -u
source "$(dirname "$0")/wine-env.sh"
trap stop_own_processes EXIT
use_wine_for "$1" || exit 126
start_display_if_needed || exit 1
boot_prefix_if_needed || exit 1
run_windows_program "$@"
