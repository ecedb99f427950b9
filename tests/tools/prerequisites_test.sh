#!/usr/bin/env bash
# Tests of tools/lib/prerequisites.sh against fake install trees and fake programs: what counts
# as installed, which package is named, and that a missing piece stops a script with the
# install command when it may not install. Nothing is installed or removed.
set -uo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$repo/tools/lib/prerequisites.sh"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kiv-prerequisites-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
check() {  # description, command...
  local description=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $description" >&2
  fi
}
fails() { ! "$@"; }

# --- versions ---------------------------------------------------------------------------------
check "3.25 is enough" kiv_version_at_least 3.25 3.25
check "3.25.1 is enough" kiv_version_at_least 3.25.1 3.25
check "a later major is enough" kiv_version_at_least 4.0 3.25
check "3.24 is not" fails kiv_version_at_least 3.24.9 3.25
check "2.99 is not" fails kiv_version_at_least 2.99 3.25

fake_cmake() {  # version; a cmake that only reports it
  mkdir -p "$scratch/bin-$1"
  printf '#!/bin/sh\necho "cmake version %s"\n' "$1" >"$scratch/bin-$1/cmake"
  chmod +x "$scratch/bin-$1/cmake"
  echo "$scratch/bin-$1"
}
check "an old cmake is missing" fails env PATH="$(fake_cmake 3.22.1):$PATH" \
  bash -c "source '$repo/tools/lib/prerequisites.sh'; kiv_has cmake"
check "a recent cmake is there" env PATH="$(fake_cmake 3.27.4):$PATH" \
  bash -c "source '$repo/tools/lib/prerequisites.sh'; kiv_has cmake"

# --- GoogleTest -------------------------------------------------------------------------------
empty=$scratch/empty
header_only=$scratch/header-only
multiarch=$scratch/multiarch
lib64=$scratch/lib64
library_only=$scratch/library-only
mkdir -p "$library_only/lib"
touch "$library_only/lib/libgtest.a"
mkdir -p "$empty" "$header_only/include/gtest" "$multiarch/include/gtest" \
  "$multiarch/lib/x86_64-linux-gnu" "$lib64/include/gtest" "$lib64/lib64"
touch "$header_only/include/gtest/gtest.h" "$multiarch/include/gtest/gtest.h" \
  "$multiarch/lib/x86_64-linux-gnu/libgtest.a" "$lib64/include/gtest/gtest.h" \
  "$lib64/lib64/libgtest.so"
check "no gtest in an empty prefix" fails kiv_gtest_installed_under "$empty"
check "a header without the library is not enough" fails kiv_gtest_installed_under "$header_only"
check "a library without the header is not enough" fails \
  kiv_gtest_installed_under "$library_only"
check "header and multiarch static library" kiv_gtest_installed_under "$multiarch"
check "header and lib64 shared library" kiv_gtest_installed_under "$lib64"
check "any one of several prefixes" kiv_gtest_installed_under "$empty" "$header_only" "$lib64"

# --- libFuzzer runtime ------------------------------------------------------------------------
runtime=$scratch/runtime
mkdir -p "$runtime"
touch "$runtime/libclang_rt.asan-x86_64.a" "$runtime/libclang_rt.fuzzer_no_main-x86_64.a"
check "no runtime directory" fails kiv_fuzzer_runtime_in ""
check "fuzzer_no_main alone cannot link -fsanitize=fuzzer" fails kiv_fuzzer_runtime_in "$runtime"
touch "$runtime/libclang_rt.fuzzer-x86_64.a"
check "the fuzzer runtime" kiv_fuzzer_runtime_in "$runtime"
check "clang 14 ships it in libclang-rt-14-dev" \
  test "$(kiv_fuzzer_runtime_package 14)" = libclang-rt-14-dev
check "clang 16 in libclang-rt-16-dev" test "$(kiv_fuzzer_runtime_package 16)" = libclang-rt-16-dev
check "clang 13 in libclang-common-13-dev" \
  test "$(kiv_fuzzer_runtime_package 13)" = libclang-common-13-dev
check "an unknown clang: the default package" test "$(kiv_fuzzer_runtime_package '')" = \
  libclang-rt-dev

# --- require and offer ------------------------------------------------------------------------
run_script() {  # env assignments...; runs a script that requires gtest and cmake
  env KIV_NO_INSTALL=1 "$@" bash -c "source '$repo/tools/lib/prerequisites.sh'
    kiv_require example-step cmake gtest
    echo reached" >"$scratch/out" 2>"$scratch/err"
}
assume_gtest_missing() {
  local status=0
  run_script KIV_ASSUME_MISSING=gtest || status=$?
  [[ $status -eq 1 ]] && ! grep -q reached "$scratch/out" &&
    grep -q 'missing: GoogleTest' "$scratch/err" &&
    grep -q 'sudo apt-get install libgtest-dev$' "$scratch/err"
}
check "a missing GoogleTest stops the step and names libgtest-dev" assume_gtest_missing
nothing_missing() {
  run_script KIV_ASSUME_MISSING=''
}
if kiv_has cmake && kiv_has gtest; then
  check "nothing missing: the step goes on, silently" nothing_missing
  check "... and says nothing" test ! -s "$scratch/err"
fi
offer_only_notes() {
  env KIV_NO_INSTALL=1 KIV_ASSUME_MISSING=fuzzer bash -c "
    source '$repo/tools/lib/prerequisites.sh'
    kiv_offer later-step fuzzer
    echo reached" >"$scratch/out" 2>"$scratch/err" &&
    grep -q reached "$scratch/out" && grep -q 'note: later-step will need' "$scratch/err"
}
check "an offer that cannot install only notes what is missing" offer_only_notes
check "root may be told not to install" fails env KIV_NO_INSTALL=1 \
  bash -c "source '$repo/tools/lib/prerequisites.sh'; kiv_can_install"

echo "$passed passed, $failed failed"
((failed == 0))
