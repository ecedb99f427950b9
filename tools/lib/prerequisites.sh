# Sourced by the scripts in tools/: finds what a step needs (CMake, a C++ compiler, GoogleTest,
# clang with libFuzzer, clang-format) and, when something is missing, installs it through
# apt-get when running as root, or else names the packages to install and stops.
#
# KIV_NO_INSTALL=1 never installs anything, even as root: the script names the packages and
# stops instead. KIV_ASSUME_MISSING="gtest fuzzer ..." makes the named checks fail once, so
# that the install path and its messages can be tried on a machine that has everything.

kiv_assumed_missing() {  # check name
  [[ " ${KIV_ASSUME_MISSING:-} " == *" $1 "* ]]
}

kiv_version_at_least() {  # have want, both MAJOR.MINOR[.PATCH]
  local -a have want
  IFS=. read -r -a have <<<"$1"
  IFS=. read -r -a want <<<"$2"
  ((${have[0]:-0} > ${want[0]:-0} || (${have[0]:-0} == ${want[0]:-0} &&
    ${have[1]:-0} >= ${want[1]:-0})))
}

kiv_cmake_recent() {
  command -v cmake >/dev/null || return 1
  local version
  version=$(cmake --version | sed -n '1s/^cmake version \([0-9][0-9.]*\).*/\1/p')
  [[ -n $version ]] && kiv_version_at_least "$version" 3.25
}

kiv_cxx_present() {
  [[ -n ${CXX:-} ]] && command -v "${CXX%% *}" >/dev/null && return 0
  command -v c++ >/dev/null || command -v g++ >/dev/null || command -v clang++ >/dev/null
}

# True when some PREFIX holds what find_package(GTest) looks for: the gtest header and the
# gtest library (static or shared) in lib/, lib64/ or a multiarch lib/TRIPLET/.
kiv_gtest_installed_under() {  # PREFIX...
  local prefix
  for prefix in "$@"; do
    [[ -f $prefix/include/gtest/gtest.h ]] || continue
    compgen -G "$prefix/lib/libgtest.*" >/dev/null && return 0
    compgen -G "$prefix/lib64/libgtest.*" >/dev/null && return 0
    compgen -G "$prefix/lib/*/libgtest.*" >/dev/null && return 0
  done
  return 1
}

kiv_gtest_present() {
  local -a prefixes=(/usr /usr/local)
  local extra
  IFS=';' read -r -a extra <<<"${CMAKE_PREFIX_PATH:-}"
  kiv_gtest_installed_under "${prefixes[@]}" "${extra[@]}"
}

# -fsanitize=fuzzer links clang's libFuzzer runtime, which Debian ships apart from clang.
kiv_fuzzer_runtime_in() {  # DIR (clang's runtime directory)
  [[ -n $1 ]] && compgen -G "$1/libclang_rt.fuzzer-*.a" >/dev/null
}

kiv_fuzzer_present() {
  command -v clang++ >/dev/null || return 1
  kiv_fuzzer_runtime_in "$(clang++ --print-runtime-dir 2>/dev/null)"
}

kiv_clang_format_present() {
  command -v clang-format >/dev/null
}

kiv_has() {  # check name
  kiv_assumed_missing "$1" && return 1
  case $1 in
    cmake) kiv_cmake_recent ;;
    cxx) kiv_cxx_present ;;
    gtest) kiv_gtest_present ;;
    fuzzer) kiv_fuzzer_present ;;
    clang-format) kiv_clang_format_present ;;
    *) echo "prerequisites: unknown check '$1'" >&2; return 2 ;;
  esac
}

kiv_describe() {  # check name
  case $1 in
    cmake) echo "CMake 3.25 or later" ;;
    cxx) echo "a C++20 compiler (g++ or clang++)" ;;
    gtest) echo "GoogleTest (for the tests)" ;;
    fuzzer) echo "clang with its libFuzzer runtime (for the fuzz targets)" ;;
    clang-format) echo "clang-format" ;;
  esac
}

# The clang major version installed, or else the one apt-get would install; empty if unknown.
kiv_clang_major() {
  if command -v clang++ >/dev/null; then
    clang++ -dumpversion 2>/dev/null | cut -d. -f1
  else
    apt-cache depends clang 2>/dev/null | sed -n 's/^ *Depends: clang-\([0-9][0-9]*\)$/\1/p' |
      head -n 1
  fi
}

# Since LLVM 14 Debian ships libFuzzer in libclang-rt-N-dev; before, in libclang-common-N-dev.
kiv_fuzzer_runtime_package() {  # clang major version, may be empty
  if [[ -z $1 ]]; then
    echo libclang-rt-dev
  elif ((${1} >= 14)); then
    echo "libclang-rt-$1-dev"
  else
    echo "libclang-common-$1-dev"
  fi
}

kiv_packages_for() {  # check name
  case $1 in
    cmake) echo cmake ;;
    cxx) echo g++ ;;
    gtest) echo libgtest-dev ;;
    fuzzer)
      command -v clang++ >/dev/null || echo clang
      kiv_fuzzer_runtime_package "$(kiv_clang_major)"
      ;;
    clang-format) echo clang-format ;;
  esac
}

kiv_can_install() {
  [[ $(id -u) -eq 0 && ${KIV_NO_INSTALL:-0} != 1 ]] && command -v apt-get >/dev/null
}

kiv_missing_checks() {  # check names; prints those that fail
  local check
  for check in "$@"; do kiv_has "$check" || echo "$check"; done
}

kiv_install() {  # check names, all missing
  local check
  local -a packages=() more
  echo "== installing $(for check in "$@"; do kiv_describe "$check"; done | paste -sd, |
    sed 's/,/, /g') with apt-get"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || return 1
  # Asked only now: which runtime package fits clang depends on the fresh package lists.
  for check in "$@"; do
    read -r -a more <<<"$(kiv_packages_for "$check" | paste -sd' ')"
    packages+=("${more[@]}")
  done
  echo "   apt-get install ${packages[*]}"
  apt-get install -y -qq "${packages[@]}" >/dev/null || return 1
  # clang may have come with this install: its runtime package is known only now.
  if [[ " $* " == *" fuzzer "* ]] && ! kiv_fuzzer_present; then
    apt-get install -y -qq "$(kiv_fuzzer_runtime_package "$(kiv_clang_major)")" >/dev/null ||
      return 1
  fi
}

kiv_tell_missing() {  # check names, all missing
  local check
  local -a packages=() more
  for check in "$@"; do
    echo "  missing: $(kiv_describe "$check")" >&2
    read -r -a more <<<"$(kiv_packages_for "$check" | paste -sd' ')"
    packages+=("${more[@]}")
  done
  echo "install with:  sudo apt-get install ${packages[*]}" >&2
  if [[ $(id -u) -ne 0 ]]; then
    echo "(run as root, this script installs them itself)" >&2
  elif [[ ${KIV_NO_INSTALL:-0} == 1 ]]; then
    echo "(KIV_NO_INSTALL=1 kept this script from installing them)" >&2
  fi
}

# Makes sure every check passes, installing as root; otherwise names the packages and exits 1.
kiv_require() {  # what for, check names...
  local purpose=$1
  shift
  local -a missing
  mapfile -t missing < <(kiv_missing_checks "$@")
  ((${#missing[@]} == 0)) && return 0
  if kiv_can_install; then
    kiv_install "${missing[@]}" || { echo "$purpose: apt-get failed" >&2; exit 1; }
    mapfile -t missing < <(KIV_ASSUME_MISSING='' kiv_missing_checks "${missing[@]}")
    ((${#missing[@]} == 0)) && return 0
    echo "$purpose: still missing after the install:" >&2
  else
    echo "$purpose needs what this machine lacks:" >&2
  fi
  kiv_tell_missing "${missing[@]}"
  exit 1
}

# Like kiv_require, for what a later step needs: installs as root, otherwise only says so.
kiv_offer() {  # what for, check names...
  local purpose=$1
  shift
  local -a missing
  mapfile -t missing < <(kiv_missing_checks "$@")
  ((${#missing[@]} == 0)) && return 0
  if kiv_can_install && kiv_install "${missing[@]}"; then
    return 0
  fi
  echo "note: $purpose will need:" >&2
  kiv_tell_missing "${missing[@]}"
}
