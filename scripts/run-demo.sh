#!/usr/bin/env bash
# run-demo.sh BUILD_DIR — the main job on the simulated mouse.
set -e
echo "The simulated mouse and its dump tool are not built yet."
