# cmake -DTOOL=... -DEXECUTABLE=... -DPO=... -DLITTLE=... -DBIG=... -DOUT=... -P EmbedCatalogsChecks.cmake
#
# Runs cantrel-embed-catalogs as a packager would: a .po file and a badly
# named catalog are refused with status 2 and a message naming them; good
# catalogs in either byte order are packed.
function(expect_run Status Message)
  file(REMOVE ${OUT})
  execute_process(COMMAND ${TOOL} ${EXECUTABLE} ${OUT} ${ARGN} RESULT_VARIABLE Result ERROR_VARIABLE Error)
  string(FIND "${Error}" "${Message}" Found)
  if(NOT Result STREQUAL Status OR Found EQUAL -1)
    message(FATAL_ERROR "${ARGN}: status ${Result}, expected ${Status}; stderr \"${Error}\", expected \"${Message}\"")
  endif()
endfunction()

expect_run(2 "cantrel-embed-catalogs: not a GNU MO catalog (no MO magic number): ${PO}\n"
           locale/de/LC_MESSAGES/cantrel.mo=${LITTLE} locale/fr/LC_MESSAGES/cantrel.mo=${PO})
foreach(Name de/cantrel.mo locale/de/cantrel.mo locale/de/LC_MESSAGES/cantrel.po locale/../LC_MESSAGES/cantrel.mo
        locale/de/LC_MESSAGES/.mo locale/de/LC_MESSAGES/x/cantrel.mo)
  expect_run(2 "cantrel-embed-catalogs: a name must have the form locale/<lang>/LC_MESSAGES/<domain>.mo: ${Name}\n"
             ${Name}=${LITTLE})
endforeach()
if(EXISTS ${OUT})
  message(FATAL_ERROR "a refused run left ${OUT}")
endif()
expect_run(0 "" locale/de/LC_MESSAGES/cantrel.mo=${LITTLE} locale/pt_BR/LC_MESSAGES/cantrel.mo=${BIG})
if(NOT EXISTS ${OUT})
  message(FATAL_ERROR "no packed program at ${OUT}")
endif()
