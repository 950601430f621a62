# Message catalogs: compiled from .po files by msgfmt at build time,
# embedded into the packed copies of the programs that install uses, and
# their templates (.pot) made from the sources.

find_program(CANTREL_MSGFMT msgfmt REQUIRED)

# cantrel_add_catalogs(<target> DOMAIN <domain> PO_DIR <dir> [OUTPUT_DIR <dir>] [BIG_ENDIAN])
#
# Compiles every <PO_DIR>/<lang>.po into <OUTPUT_DIR>/<lang>/LC_MESSAGES/<domain>.mo;
# OUTPUT_DIR defaults to ${CMAKE_BINARY_DIR}/bin/locale, where the built
# executables look. Adding a .po file to PO_DIR is all a new language needs.
# BIG_ENDIAN writes the catalogs in big-endian byte order. The target (built
# by default) records the catalogs for cantrel_embed_catalogs.
function(cantrel_add_catalogs TARGET)
  cmake_parse_arguments(ARG "BIG_ENDIAN" "DOMAIN;PO_DIR;OUTPUT_DIR" "" ${ARGN})
  if(NOT ARG_DOMAIN OR NOT ARG_PO_DIR)
    message(FATAL_ERROR "cantrel_add_catalogs needs DOMAIN and PO_DIR")
  endif()
  if(NOT ARG_OUTPUT_DIR)
    set(ARG_OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin/locale)
  endif()
  set(Endianness little)
  if(ARG_BIG_ENDIAN)
    set(Endianness big)
  endif()
  file(GLOB PoFiles CONFIGURE_DEPENDS ${ARG_PO_DIR}/*.po)
  set(Names)
  set(MoFiles)
  foreach(PoFile IN LISTS PoFiles)
    get_filename_component(Language ${PoFile} NAME_WE)
    set(Folder ${ARG_OUTPUT_DIR}/${Language}/LC_MESSAGES)
    set(MoFile ${Folder}/${ARG_DOMAIN}.mo)
    add_custom_command(
      OUTPUT ${MoFile}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${Folder}
      COMMAND ${CANTREL_MSGFMT} --check-format --endianness=${Endianness} -o ${MoFile} ${PoFile}
      DEPENDS ${PoFile}
      COMMENT "Compiling ${Language}/LC_MESSAGES/${ARG_DOMAIN}.mo"
      VERBATIM)
    list(APPEND Names locale/${Language}/LC_MESSAGES/${ARG_DOMAIN}.mo)
    list(APPEND MoFiles ${MoFile})
  endforeach()
  add_custom_target(${TARGET} ALL DEPENDS ${MoFiles})
  set_target_properties(${TARGET} PROPERTIES CANTREL_CATALOG_NAMES "${Names}" CANTREL_CATALOG_FILES "${MoFiles}")
endfunction()

# cantrel_embed_catalogs(<target> EXECUTABLE <executable target> OUTPUT <file> [STRIP]
#                        CATALOGS <targets of cantrel_add_catalogs>...)
#
# Writes OUTPUT: a copy of the executable that carries the catalogs of the
# given targets, each under the path the program asks for
# (locale/<lang>/LC_MESSAGES/<domain>.mo beside it). The program prefers them
# to files on disk. STRIP drops symbols and debug information from the copy
# first: stripping it afterwards would cut the catalogs off.
function(cantrel_embed_catalogs TARGET)
  cmake_parse_arguments(ARG "STRIP" "EXECUTABLE;OUTPUT" "CATALOGS" ${ARGN})
  if(NOT ARG_EXECUTABLE OR NOT ARG_OUTPUT)
    message(FATAL_ERROR "cantrel_embed_catalogs needs EXECUTABLE and OUTPUT")
  endif()
  set(Entries)
  set(Files)
  foreach(Catalogs IN LISTS ARG_CATALOGS)
    get_target_property(Names ${Catalogs} CANTREL_CATALOG_NAMES)
    get_target_property(MoFiles ${Catalogs} CANTREL_CATALOG_FILES)
    foreach(Name MoFile IN ZIP_LISTS Names MoFiles)
      list(APPEND Entries ${Name}=${MoFile})
      list(APPEND Files ${MoFile})
    endforeach()
  endforeach()
  get_filename_component(Folder ${ARG_OUTPUT} DIRECTORY)
  set(Input $<TARGET_FILE:${ARG_EXECUTABLE}>)
  set(Strip)
  if(ARG_STRIP)
    set(Input ${CMAKE_CURRENT_BINARY_DIR}/${TARGET}.stripped)
    set(Strip COMMAND ${CMAKE_STRIP} --strip-all -o ${Input} $<TARGET_FILE:${ARG_EXECUTABLE}>)
  endif()
  add_custom_command(
    OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${Folder}
    ${Strip}
    COMMAND cantrel-embed-catalogs ${Input} ${ARG_OUTPUT} ${Entries}
    DEPENDS ${ARG_EXECUTABLE} cantrel-embed-catalogs ${Files} ${ARG_CATALOGS}
    COMMENT "Embedding catalogs into ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${TARGET} ALL DEPENDS ${ARG_OUTPUT})
endfunction()

# cantrel_pack_program(<executable target> CATALOGS <targets of cantrel_add_catalogs>...)
#
# The copy of a program that is installed: ${CMAKE_BINARY_DIR}/packed/<name>,
# stripped, with the given catalogs embedded, so that nothing has to lie
# beside it. It is made by every build (target <name>-packed), and lies apart
# from bin/, where the tests and scripts run the program as built.
set(CANTREL_PACKED_DIR ${CMAKE_BINARY_DIR}/packed)
function(cantrel_pack_program PROGRAM)
  cmake_parse_arguments(ARG "" "" "CATALOGS" ${ARGN})
  set(Output ${CANTREL_PACKED_DIR}/${PROGRAM})
  cantrel_embed_catalogs(${PROGRAM}-packed EXECUTABLE ${PROGRAM} OUTPUT ${Output} STRIP CATALOGS ${ARG_CATALOGS})
  install(PROGRAMS ${Output} DESTINATION ${CMAKE_INSTALL_BINDIR})
  set_property(GLOBAL APPEND PROPERTY CANTREL_PACKED_PROGRAMS ${PROGRAM})
endfunction()

# cantrel_add_pot(<domain> [RESOURCE_TABLES] TARGETS <targets>... [KEYWORDS <functions>...])
#
# The build target pot-<domain> (and with it "pot") writes the template
# po/<domain>/<domain>.pot from the sources of the given targets and their
# headers: the texts handed to gettext, gettext_noop and the KEYWORDS
# functions (setters of texts that window translation translates), or with
# RESOURCE_TABLES those of the resource-string tables. The test
# Catalogs.<domain> checks that the template is current and that every
# catalog of the domain translates all of it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(CANTREL_XGETTEXT xgettext REQUIRED)
find_program(CANTREL_MSGCMP msgcmp REQUIRED)
function(cantrel_add_pot DOMAIN)
  cmake_parse_arguments(ARG "RESOURCE_TABLES" "" "TARGETS;KEYWORDS" ${ARGN})
  set(Files)
  foreach(Target IN LISTS ARG_TARGETS)
    get_target_property(Sources ${Target} SOURCES)
    get_target_property(SourceDir ${Target} SOURCE_DIR)
    foreach(Source IN LISTS Sources)
      cmake_path(ABSOLUTE_PATH Source BASE_DIRECTORY ${SourceDir})
      list(APPEND Files ${Source})
      cmake_path(REPLACE_EXTENSION Source LAST_ONLY .h OUTPUT_VARIABLE Header)
      if(EXISTS ${Header})
        list(APPEND Files ${Header})
      endif()
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES Files)
  set(Mode)
  if(ARG_RESOURCE_TABLES)
    set(Mode --resource-tables)
  endif()
  foreach(Keyword IN LISTS ARG_KEYWORDS)
    list(APPEND Mode --keyword ${Keyword})
  endforeach()
  set(Command ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/ExtractMessages.py --domain ${DOMAIN}
      --root ${PROJECT_SOURCE_DIR} --template ${PROJECT_SOURCE_DIR}/po/${DOMAIN}/${DOMAIN}.pot ${Mode}
      --xgettext ${CANTREL_XGETTEXT} --msgfmt ${CANTREL_MSGFMT} --msgcmp ${CANTREL_MSGCMP} ${Files})
  add_custom_target(pot-${DOMAIN} COMMAND ${Command} COMMENT "Writing po/${DOMAIN}/${DOMAIN}.pot" VERBATIM)
  if(NOT TARGET pot)
    add_custom_target(pot)
  endif()
  add_dependencies(pot pot-${DOMAIN})
  set_property(GLOBAL APPEND PROPERTY CANTREL_POT_DOMAINS ${DOMAIN})
  set_property(GLOBAL PROPERTY CANTREL_POT_COMMAND_${DOMAIN} "${Command}")
endfunction()
