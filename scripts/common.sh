# What several of the scripts share; they source it from the checkout's root. Not a command.

# Wine's 64-bit loader: wine64 on PATH, or where Debian's wine64 package keeps it.
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)

# Prints the version that the build in the folder $1 was configured with (project() in
# CMakeLists.txt, as generated/velbrix_version.h holds it).
build_version() {
  sed -n 's/^#define VELBRIX_VERSION "\(.*\)"$/\1/p' "$1/generated/velbrix_version.h"
}

# Writes the recording that the checks of the releases convert into the file $1: samples/demo_eeg
# and 5 bytes more, which make a partial last record.
write_check_recording() {
  { cat samples/demo_eeg; head -c 5 samples/demo_eeg; } >"$1"
}
