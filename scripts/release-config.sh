# Sourced by scripts/run-examples.sh and scripts/run-tests.sh: the one configuration of the
# release build, so that the second script finds the first one's objects up to date.
configure_release() {
  cmake --preset release -DOZM_WERROR=ON -DOZM_BUILD_TESTS=ON -DOZM_BUILD_EXAMPLES=ON >/dev/null
}
