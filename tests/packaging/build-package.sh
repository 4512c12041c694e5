#!/bin/sh
# Builds the Debian package into a folder of its own for the package tests,
# which are slow; only when TESSALINE_TEST_PACKAGE=1 (77 tells CTest "skipped").
# Usage: build-package.sh <cpack> <build folder> <output folder>
set -eu
if [ "${TESSALINE_TEST_PACKAGE:-}" != 1 ]; then
    echo "skipped: set TESSALINE_TEST_PACKAGE=1 to build and check the package"
    exit 77
fi
rm -rf "$3"
exec "$1" --config "$2/CPackConfig.cmake" -B "$3"
