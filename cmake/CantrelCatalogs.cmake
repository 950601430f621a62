# Message catalogs: compiled from .po files by msgfmt at build time, and
# optionally embedded into an executable.

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

# cantrel_embed_catalogs(<target> EXECUTABLE <executable target> OUTPUT_NAME <file name>
#                        CATALOGS <targets of cantrel_add_catalogs>...)
#
# Writes ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/<OUTPUT_NAME>: a copy of the
# executable that carries the catalogs of the given targets, each under the
# path the program asks for (locale/<lang>/LC_MESSAGES/<domain>.mo beside
# it). The program prefers them to files on disk.
function(cantrel_embed_catalogs TARGET)
  cmake_parse_arguments(ARG "" "EXECUTABLE;OUTPUT_NAME" "CATALOGS" ${ARGN})
  if(NOT ARG_EXECUTABLE OR NOT ARG_OUTPUT_NAME)
    message(FATAL_ERROR "cantrel_embed_catalogs needs EXECUTABLE and OUTPUT_NAME")
  endif()
  set(Output ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${ARG_OUTPUT_NAME})
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
  add_custom_command(
    OUTPUT ${Output}
    COMMAND cantrel-embed-catalogs $<TARGET_FILE:${ARG_EXECUTABLE}> ${Output} ${Entries}
    DEPENDS ${ARG_EXECUTABLE} cantrel-embed-catalogs ${Files} ${ARG_CATALOGS}
    COMMENT "Embedding catalogs into ${ARG_OUTPUT_NAME}"
    VERBATIM)
  add_custom_target(${TARGET} ALL DEPENDS ${Output})
endfunction()
