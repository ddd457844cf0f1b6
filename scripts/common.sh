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

# Debian's hardening flags, as the Debian package is built with, without -g: the package ships no
# debugging symbols. The tests' build uses them too, so that the tests run the code as shipped and
# the package's build finds every object in ccache.
hardening_flags() {
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS | sed 's/\(^\| \)-g\( \|$\)/ /')"
  LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
  export CXXFLAGS LDFLAGS
}

# Builds go through ccache where it is installed: the package's build then takes the objects that
# the tests' build made (their commands name the sources by the same absolute paths).
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
