# A Debian package of what `cmake --install` installs: cpack -G DEB in the
# build folder, or the target "package".
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cantrel)
set(CPACK_PACKAGE_VENDOR "The Cantrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "playlists for every folder of a music or video library")
# CPack indents the long description and marks its empty lines.
set(CPACK_PACKAGE_DESCRIPTION
    "Cantrel walks a folder tree of music or video and writes a playlist into the
folder and into every folder below it, each listing the media of its own
folder and of all folders below it by relative paths, as M3U, M3U8, XSPF,
ASX, PLS or WPL.

The package holds the window program cantrel, which shows up in the
desktop's menu, and cantrel-cli, which does the same from the command line
for scripts and servers.")
set(CANTREL_MAINTAINER "The Cantrel developers <maintainers@cantrel.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CANTREL_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Qt finds its Wayland platform there; without it the window runs through
# XWayland. Without a CJK font the Chinese window shows boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, fonts-noto-cjk")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The programs are stripped before their catalogs are embedded; stripping
# them again would cut the catalogs off.
set(CPACK_STRIP_FILES OFF)
find_program(CANTREL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(CANTREL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  # Debian 12's names of the libraries the programs link.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1, libicu72, libqt6core6, libqt6gui6, libqt6widgets6")
endif()
include(CPack)
