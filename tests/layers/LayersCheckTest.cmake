# Writes one small tree per case and runs the layer check on it: a tree that
# keeps the layers passes, and each kind of include against them fails and
# names the file.
cmake_policy(VERSION 3.25)

set(Failures)

# Case: a tree of FILE=LINE pairs; EXPECT is "pass" or the text the check's
# message must hold.
function(check_tree Name Expect)
  set(Root ${WORK}/${Name})
  file(REMOVE_RECURSE ${Root})
  foreach(Pair IN LISTS ARGN)
    string(REPLACE "=" ";" Parts "${Pair}")
    list(GET Parts 0 File)
    list(GET Parts 1 Line)
    file(WRITE ${Root}/src/${File} "// A file of the case.\n${Line}\n")
  endforeach()
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${Root} -P ${CHECK}
                  RESULT_VARIABLE Result OUTPUT_VARIABLE Output ERROR_VARIABLE Output)
  string(REGEX REPLACE "[ \n]+" " " Output "${Output}")
  if(Expect STREQUAL "pass")
    if(NOT Result EQUAL 0)
      set(Failures "${Failures}\n${Name}: refused: ${Output}" PARENT_SCOPE)
    endif()
  elseif(Result EQUAL 0 OR NOT Output MATCHES "${Expect}")
    set(Failures "${Failures}\n${Name}: expected \"${Expect}\", got (${Result}) ${Output}" PARENT_SCOPE)
  endif()
endfunction()

check_tree(Downward pass
  "runtime/String.h=#include \"runtime/Paths.h\""
  "playlist/A.cpp=#include \"tags/MediaTags.h\""
  "core/B.cpp=#include \"i18n/Gettext.h\""
  "cli/C.cpp=#include \"core/Settings.h\""
  "app/D.cpp=#include <QWidget>"
  "widgets/E.h=#include \"i18n/Gettext.h\"")
check_tree(RuntimeIncludesWindow "runtime/Format.cpp: runtime may not include app"
  "runtime/Format.cpp=#include \"app/MainForm.h\"")
check_tree(FileSearchIncludesCore "filesearch/F.h: filesearch may not include core"
  "filesearch/F.h=#  include \"core/SearchSession.h\"")
check_tree(WidgetsIncludeCore "widgets/G.cpp: widgets may not include core"
  "widgets/G.cpp=#include \"core/Settings.h\"")
check_tree(CoreIncludesQt "core/H.cpp: core may not include Qt"
  "core/H.cpp=#include <QtCore/QString>")
check_tree(CliIncludesWidgets "cli/I.cpp: cli may not include widgets"
  "cli/I.cpp=#include \"widgets/Form.h\"")
check_tree(TagsIncludeWatch "tags/J.cpp: tags may not include watch"
  "tags/J.cpp=#include \"watch/Watcher.h\"")

if(Failures)
  message(FATAL_ERROR "Layer check cases that went wrong:${Failures}")
endif()
