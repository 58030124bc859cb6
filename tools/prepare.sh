# Sourced by the commands that start the saver (run, screenshots): sets
# VELMOR_ROOT and moves there, defines fail() for one-line reasons under the
# command's NAME, installs what is missing and builds the Windows tree of the
# Wine this machine runs, whose bitness (32 or 64) it leaves in `bits`.
#   . tools/prepare.sh NAME
VELMOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELMOR_ROOT
cd "$VELMOR_ROOT" || exit 1
velmor_command=$1
fail() { echo "$velmor_command: $*" >&2; exit 1; }

bash tools/setup.sh >/dev/null || fail "setup failed"
bits=$(tools/wine-arch.sh) || exit 1
bash tools/build.sh --only "$bits" >/dev/null || fail "the build failed"
