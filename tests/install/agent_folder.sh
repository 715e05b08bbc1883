# shellcheck shell=bash
# Sourced by the tests that start the real agent in namespaces of their own.
# The agent's folder with its library and settings that let it run on this
# machine (a virtual machine, often); the log stays in the default folder.
# usage: make_agent_folder BIN_DIR FOLDER
make_agent_folder() {
  cp "$1/q6tsa" "$1/qxipcdll.dll" "$1/q6ipc" "$2/"
  printf '[agent]\nallowVirtualMachine=1\n' > "$2/q6agent.properties"
}

# Starts the agent of FOLDER in the background with a fresh anchor.
start_agent() {
  "$1/q6tsa" NORMAL 5B3E90C7-2D41-4A6F-8C19-E07D2A4F6B38 \
    "$(date -u '+%Y-%m-%d %H:%M:%S')" "$("$1/q6ipc" tick)" &
}

# Waits, for at most a minute, until the agent of FOLDER has published.
wait_for_publication() {
  local tries=600
  until "$1/q6ipc" get 0x30000259 > /dev/null 2>&1; do
    ((--tries > 0)) || { echo "the agent did not publish within a minute" >&2; return 1; }
    sleep 0.1
  done
}
