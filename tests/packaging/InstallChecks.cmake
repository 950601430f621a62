# cmake -DBUILD=<build folder> -DDESTDIR=<scratch folder> -DPREFIX=<install prefix> -DPROGRAMS=<names>
#       -DDESKTOP_FILE_VALIDATE=... -DAPPSTREAMCLI=... -DGROFF=... -DCPACK=... -DDPKG_DEB=...
#       -P InstallChecks.cmake
#
# Installs the build into DESTDIR as a packager would and checks the result:
# exactly the packed programs in bin/ and the desktop files beside them, each
# accepted by its validator, and cantrel-cli translating its own texts and
# the run-time's from the catalogs it carries; then makes the .deb and checks
# that it holds the same files.

function(expect_success What)
  execute_process(${ARGN} RESULT_VARIABLE Result OUTPUT_VARIABLE Output ERROR_VARIABLE Error)
  if(NOT Result EQUAL 0 OR NOT Error STREQUAL "")
    message(FATAL_ERROR "${What}: status ${Result}\n${Output}${Error}")
  endif()
endfunction()

file(REMOVE_RECURSE ${DESTDIR})
expect_success("cmake --install" COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${DESTDIR} ${CMAKE_COMMAND} --install ${BUILD}
               OUTPUT_QUIET)
set(Root ${DESTDIR}${PREFIX})

set(Expected lib/systemd/user/cantrel-watch@.service share/applications/org.cantrel.Cantrel.desktop share/icons/hicolor/scalable/apps/org.cantrel.Cantrel.svg
             share/metainfo/org.cantrel.Cantrel.metainfo.xml share/man/man1/cantrel.1.gz
             share/man/man1/cantrel-cli.1.gz share/doc/cantrel/copyright)
foreach(Program IN LISTS PROGRAMS)
  list(APPEND Expected bin/${Program})
endforeach()
list(SORT Expected)
file(GLOB_RECURSE Installed LIST_DIRECTORIES false RELATIVE ${Root} ${Root}/*)
list(SORT Installed)
if(NOT Installed STREQUAL Expected)
  message(FATAL_ERROR "installed:\n  ${Installed}\nexpected:\n  ${Expected}")
endif()

expect_success(desktop-file-validate COMMAND ${DESKTOP_FILE_VALIDATE} ${Root}/share/applications/org.cantrel.Cantrel.desktop)
expect_success(appstreamcli COMMAND ${APPSTREAMCLI} validate --no-net --strict
               ${Root}/share/metainfo/org.cantrel.Cantrel.metainfo.xml OUTPUT_QUIET)
foreach(Page IN ITEMS cantrel cantrel-cli)
  expect_success("groff -man -ww ${Page}.1" COMMAND gzip -dc ${Root}/share/man/man1/${Page}.1.gz
                 COMMAND ${GROFF} -man -ww -z)
endforeach()
# The licence, as Debian's copyright file gives it: MIT, whose short name
# there is Expat, with the whole text of LICENSE.
file(READ ${Root}/share/doc/cantrel/copyright Copyright)
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../../LICENSE LicenseLines REGEX "^.")
list(GET LicenseLines -1 LastLine)
if(NOT Copyright MATCHES "^Format: [^\n]*\n" OR NOT Copyright MATCHES "\nLicense: Expat\n MIT License\n .\n"
   OR NOT Copyright MATCHES "\n ${LastLine}\n$")
  message(FATAL_ERROR "share/doc/cantrel/copyright:\n${Copyright}")
endif()

# Nothing but the program itself holds the German texts: its own domain
# (the help) and "default" (the reason a name was left out). The window's
# help needs no display.
set(German ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM LC_ALL=de_DE.UTF-8
           HOME=${DESTDIR}/home XDG_CONFIG_HOME=${DESTDIR}/config)
execute_process(COMMAND ${German} ${Root}/bin/cantrel --help RESULT_VARIABLE Result OUTPUT_VARIABLE Help)
if(NOT Result EQUAL 0 OR NOT Help MATCHES "^Aufruf: cantrel \\[ORDNER\\]\n")
  message(FATAL_ERROR "cantrel --help under LC_ALL=de_DE.UTF-8 without a display: status ${Result}\n${Help}")
endif()
execute_process(COMMAND ${German} ${Root}/bin/cantrel-cli --help RESULT_VARIABLE Result OUTPUT_VARIABLE Help)
if(NOT Result EQUAL 0 OR NOT Help MATCHES "^Aufruf: cantrel-cli \\[Optionen\\] ORDNER\n")
  message(FATAL_ERROR "cantrel-cli --help under LC_ALL=de_DE.UTF-8: status ${Result}\n${Help}")
endif()
set(Music ${DESTDIR}/music)
file(WRITE ${Music}/a.mp3 "")
file(WRITE "${Music}/b\nc.mp3" "")
execute_process(COMMAND ${German} ${Root}/bin/cantrel-cli -q -t m3u8 ${Music} RESULT_VARIABLE Result ERROR_VARIABLE Error)
if(NOT Result EQUAL 3 OR NOT Error MATCHES "\\(Zeilenumbruch im Namen\\)\n$")
  message(FATAL_ERROR "cantrel-cli -t m3u8 under LC_ALL=de_DE.UTF-8: status ${Result}\n${Error}")
endif()

# Installed, the program keeps its settings per user even where its folder
# is writable (as /usr/local/bin is for root): the video line comes from
# XDG_CONFIG_HOME, never from a cantrel.ini beside the program.
file(WRITE ${Root}/bin/cantrel.ini "[Filter]\nVideoFormat=Beside (*.beside)\n")
file(WRITE ${DESTDIR}/config/cantrel/cantrel.ini "[Filter]\nVideoFormat=Per user (*.user)\n")
file(WRITE ${Music}/v.beside "")
file(WRITE ${Music}/v.user "")
execute_process(COMMAND ${German} ${Root}/bin/cantrel-cli -q -f 9 --list ${Music} RESULT_VARIABLE Result
                OUTPUT_VARIABLE Listed)
file(REMOVE ${Root}/bin/cantrel.ini)
if(NOT Result EQUAL 0 OR NOT Listed STREQUAL "v.user\n")
  message(FATAL_ERROR "cantrel-cli -f 9 installed: status ${Result}\n${Listed}")
endif()

# The Debian package holds the same files under /usr.
set(Packages ${DESTDIR}/packages)
execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${Packages}
                RESULT_VARIABLE Result OUTPUT_VARIABLE Output ERROR_VARIABLE Output)
if(NOT Result EQUAL 0)
  message(FATAL_ERROR "cpack: status ${Result}\n${Output}")
endif()
file(GLOB Debs ${Packages}/*.deb)
execute_process(COMMAND ${DPKG_DEB} --contents ${Debs} RESULT_VARIABLE Result OUTPUT_VARIABLE Contents)
string(REGEX MATCHALL "\\./usr/[^\n]*[^/\n]\n" Packaged "${Contents}")
list(TRANSFORM Packaged REPLACE "^\\./usr/(.*)\n$" "\\1")
list(SORT Packaged)
if(NOT Result EQUAL 0 OR NOT Packaged STREQUAL Expected)
  message(FATAL_ERROR "${Debs} holds:\n  ${Packaged}\nexpected:\n  ${Expected}")
endif()
# The Chinese window needs a CJK font to show its characters.
execute_process(COMMAND ${DPKG_DEB} --field ${Debs} Recommends OUTPUT_VARIABLE Recommends)
if(NOT Recommends MATCHES "(^|, )fonts-noto-cjk(,|\n)")
  message(FATAL_ERROR "${Debs} recommends: ${Recommends}")
endif()
