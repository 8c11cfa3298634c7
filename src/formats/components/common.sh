# Shared by the component adapters: find the Debian program an adapter calls (never the
# adapter itself, should its folder be in PATH) or stop with a message naming its package.
need() {
    here=$(cd "$(dirname "$0")" && pwd)
    found=$(command -v "$1" 2>/dev/null || true)
    if [ -z "$found" ] || [ "$found" = "$here/$1" ]; then
        echo "$(basename "$0"): the program $1 is missing (Debian package $2)" >&2
        exit 127
    fi
    echo "$found"
}
