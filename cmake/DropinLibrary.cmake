# add_dropin_library: see below.
#
# The .def file is the one list of a library's exports. On Win32 it names the
# undecorated __stdcall exports of the DLL; on Linux it is turned into a version
# script so that the shared object exports exactly the same names.
function(read_def_exports def_file out_var)
  file(STRINGS "${def_file}" lines)
  set(names "")
  set(in_exports FALSE)
  foreach(line IN LISTS lines)
    string(STRIP "${line}" line)
    if(line STREQUAL "EXPORTS")
      set(in_exports TRUE)
    elseif(in_exports AND line MATCHES "^([A-Za-z_][A-Za-z0-9_]*)")
      list(APPEND names "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()

# dropin_version_resource(<target> <file name> <description>): on Win32 the
# target gets a VERSIONINFO resource with the release's version.
function(dropin_version_resource target file_name description)
  if(NOT WIN32)
    return()
  endif()
  set(FILE_NAME ${file_name})
  set(DESCRIPTION ${description})
  get_filename_component(INTERNAL_NAME ${file_name} NAME_WE)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/include)
endfunction()

# add_dropin_library(<name> DEF <file.def> BASE <image base> DESCRIPTION <text> SOURCES ... [LINK ...])
function(add_dropin_library name)
  cmake_parse_arguments(ARG "" "DEF;BASE;DESCRIPTION" "SOURCES;LINK" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
                                            $<INSTALL_INTERFACE:include>
                                     PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE project_warnings dropin_lean ${ARG_LINK})
  set_target_properties(${name} PROPERTIES PREFIX "")
  read_def_exports("${ARG_DEF}" exports)
  set_property(TARGET ${name} PROPERTY DROPIN_EXPORTS "${exports}")
  set_property(TARGET ${name} PROPERTY DROPIN_DEF "${ARG_DEF}")
  if(WIN32)
    set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name} RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR}
      ARCHIVE_OUTPUT_DIRECTORY ${DIST_DIR} IMPORT_PREFIX lib IMPORT_SUFFIX .a)
    # The DLLs' own runtime: the entry point and the memory routines.
    set(no_crt ${PROJECT_SOURCE_DIR}/runtime/no_crt.cpp)
    target_sources(${name} PRIVATE ${ARG_DEF} ${PROJECT_SOURCE_DIR}/runtime/dllmain.cpp ${no_crt})
    set_source_files_properties(${no_crt} PROPERTIES COMPILE_OPTIONS "-fno-builtin")
    # No C runtime: DllMain is the entry point, libgcc the only support
    # library (64-bit division, stack probes); stripped. A base address of
    # its own, so that no two of the DLLs collide at load.
    target_link_options(${name} PRIVATE -nostdlib -s -Wl,--entry,_DllMain@12 -Wl,--kill-at
                        -Wl,--image-base,${ARG_BASE} -Wl,--no-insert-timestamp)
    target_link_libraries(${name} PRIVATE kernel32 gcc)
    dropin_version_resource(${name} ${name}.dll "${ARG_DESCRIPTION}")
    # The linker's import library would lose the @N with --kill-at; dlltool
    # keeps the decorated symbols that __stdcall callers need and imports the
    # undecorated names. It replaces the linker's, so that it is the target's
    # import library. Named without a folder: dlltool names its members and
    # symbols after the path it is given.
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND ${CMAKE_DLLTOOL} -d ${ARG_DEF} -D ${name}.dll -k -l lib${name}.a
      WORKING_DIRECTORY ${DIST_DIR} VERBATIM)
  else()
    set_target_properties(${name} PROPERTIES OUTPUT_NAME lib${name}
      LIBRARY_OUTPUT_DIRECTORY ${DIST_DIR} BUILD_RPATH "\$ORIGIN" INSTALL_RPATH "\$ORIGIN")
    set(script "${CMAKE_CURRENT_BINARY_DIR}/${name}.map")
    list(JOIN exports "; " joined)
    file(WRITE "${script}" "{ global: ${joined}; local: *; };\n")
    target_link_options(${name} PRIVATE "-Wl,--version-script=${script}")
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${script}")
    target_link_libraries(${name} PRIVATE win32compat)
  endif()
endfunction()

# dropin_link(<target> <library>...): links a host program the way hosts do,
# on Win32 through the import libraries in DIST_DIR.
function(dropin_link target)
  foreach(lib IN LISTS ARGN)
    if(WIN32)
      add_dependencies(${target} ${lib})
      target_link_libraries(${target} PRIVATE ${DIST_DIR}/lib${lib}.a)
    else()
      target_link_libraries(${target} PRIVATE ${lib})
    endif()
  endforeach()
endfunction()

# add_plugin(<target> <file name> <output folder> <source>...): a Winamp 2
# plug-in of ours, "<file name>.dll" on both platforms. Natively it calls the
# Linux stand-in for windows, messages and the wave-out device.
function(add_plugin name file_name dir)
  add_library(${name} MODULE ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/plugins/common
                                             ${PROJECT_SOURCE_DIR}/compat/include)
  target_link_libraries(${name} PRIVATE project_warnings)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${file_name} SUFFIX ".dll"
                        LIBRARY_OUTPUT_DIRECTORY ${dir} CXX_VISIBILITY_PRESET hidden)
  dropin_version_resource(${name} ${file_name}.dll "Winamp 2 plug-in ${file_name}")
  if(WIN32)
    # The runtime linked in (its notices: plugins/RUNTIME-NOTICES.txt), no symbols, no
    # time stamp and no base address derived from the output's path: the same
    # sources give the same bytes wherever they are built.
    target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++ -s
                        -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base)
    target_link_libraries(${name} PRIVATE user32 winmm)
  else()
    target_link_libraries(${name} PRIVATE win32compat)
  endif()
endfunction()
