# The drop-in libraries as imported targets: dropin::imgcodec2,
# dropin::inbridge and dropin::blitkit, with their headers. They are 32-bit
# Windows DLLs, for hosts built for 32-bit x86 Windows with MinGW (gcc,
# clang) or an MSVC-style toolchain. dropin_PLUGIN_DIR names the folder of
# in_wav.dll and out_wave.dll.
get_filename_component(_dropin_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(dropin_FOUND FALSE)
  set(dropin_NOT_FOUND_MESSAGE
      "the drop-in libraries are 32-bit Windows DLLs: configure a 32-bit x86 Windows build")
  return()
endif()
foreach(_dropin_lib imgcodec2 inbridge blitkit)
  if(NOT TARGET dropin::${_dropin_lib})
    add_library(dropin::${_dropin_lib} SHARED IMPORTED)
    if(MSVC)
      set(_dropin_implib "${_dropin_root}/lib/${_dropin_lib}.lib")
    else()
      set(_dropin_implib "${_dropin_root}/lib/lib${_dropin_lib}.a")
    endif()
    set_target_properties(dropin::${_dropin_lib} PROPERTIES
      IMPORTED_LOCATION "${_dropin_root}/bin/${_dropin_lib}.dll"
      IMPORTED_IMPLIB "${_dropin_implib}"
      INTERFACE_INCLUDE_DIRECTORIES "${_dropin_root}/include")
  endif()
endforeach()
set(dropin_PLUGIN_DIR "${_dropin_root}/plugins")
unset(_dropin_root)
unset(_dropin_lib)
unset(_dropin_implib)
