# Sourced by the scripts: installs the Debian packages the build needs, or
# names them when this user cannot install, and builds what a player needs.
# SDL2 gives the host its window and sound (the engine builds without it,
# headless only); the tests of the program in a window start their own X
# server, Xvfb, and click in it with xdotool. FFmpeg's libraries decode the
# videos (the engine builds without them and then plays none); cairo and
# CUPS print (without them there is no printer), and the tests read printed
# PDF files back with poppler's tools.
quarnel_packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev liblzo2-dev libjpeg-dev libpng-dev libsndfile1-dev liblua5.4-dev locales libsdl2-dev libx11-dev xvfb xdotool libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libcairo2-dev libcups2-dev poppler-utils)
# The uninstaller's window draws its texts with SDL_ttf in the sans-serif
# font that fontconfig finds.
quarnel_packages+=(libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core)
# Box2D moves the bodies of the World plug-in.
quarnel_packages+=(libbox2d-dev)
# baresip answers the telephone calls of the Phone plug-in over SIP, and its
# tests run two of them on the loopback.
quarnel_packages+=(baresip-core)
# The tests of printing start a CUPS server of their own (cupsd) whose
# queue fits the pages onto its paper with the filters of cups-filters
# (pdftopdf), as a printer's queue does.
quarnel_packages+=(cups-daemon cups-filters-core-drivers)
# The tests of the full screen also run under a small window manager
# (matchbox); SDL's menu box needs the X server's fonts (xfonts-base).
quarnel_packages+=(matchbox-window-manager xfonts-base)

quarnel_install_deps() {
    local missing=() p
    for p in "${quarnel_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "These Debian packages are missing: ${missing[*]}" >&2
        echo "Install them with: sudo apt-get install ${missing[*]}" >&2
        return 1
    fi
}

# quarnel_configure <flavour>: configures build/<flavour>. "normal" is
# optimised, and builds the benchmarks only when one is asked for by name
# (cmake --build build/normal --target bench_frame); "sanitize" is checked
# with AddressSanitizer and UndefinedBehaviorSanitizer and builds them all,
# so that CI finds one that no longer compiles.
quarnel_configure() {
    local checked=OFF
    [ "$1" = sanitize ] && checked=ON
    cmake -S . -B "build/$1" -G Ninja -DQUARNEL_SANITIZE=$checked -DQUARNEL_BENCH=$checked >/dev/null
}

# What a player needs in build/<flavour>/bin: the host program, the plug-ins
# that the titles load beside it and the uninstaller, all built by the
# target Player.
quarnel_player_files=(Quarnel World.so TobrikEx.so Phone.so Install)

# quarnel_build_player <flavour>: configures build/<flavour> and builds the
# target Player, then checks that it left every file above.
quarnel_build_player() {
    local build="build/$1" f missing=()
    quarnel_configure "$1"
    cmake --build "$build" --target Player
    for f in "${quarnel_player_files[@]}"; do
        [ -f "$build/bin/$f" ] || missing+=("$f")
    done
    if [ ${#missing[@]} -ne 0 ]; then
        echo "The target Player left no ${missing[*]} in $build/bin" >&2
        return 1
    fi
}
