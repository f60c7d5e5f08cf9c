# The engine SDK in place of our engine (-DMVCEF_CEF_ROOT=<binary distribution of the 3.2623
# release with the IME backport>): its headers, its wrapper library built from its sources, and
# libcef. Defines mvengine, the target the system's code links, so that nothing else changes.
# Included from engine/CMakeLists.txt instead of our engine's own targets.
set(_cef_root ${MVCEF_CEF_ROOT})
foreach(_required include/cef_app.h include/cef_version.h libcef_dll/wrapper/libcef_dll_wrapper.cc)
  if(NOT EXISTS ${_cef_root}/${_required})
    message(FATAL_ERROR "MVCEF_CEF_ROOT=${_cef_root} is not an engine binary distribution (no ${_required})")
  endif()
endforeach()

# The system calls the windowless IME methods, which the stock 2623 release lacks.
file(READ ${_cef_root}/include/cef_browser.h _cef_browser_h)
if(NOT _cef_browser_h MATCHES "ImeCommitText")
  message(FATAL_ERROR "${_cef_root} has no CefBrowserHost::ImeCommitText: the SDK needs the IME backport "
                      "(headers, C API, wrapper and libcef); see docs/windows.md")
endif()

# A GCC-built wrapper talks to an MSVC-built 32-bit libcef through function pointers declared
# CEF_CALLBACK; the release defines it as __stdcall for MSVC only, so both sides would disagree
# on who pops the arguments.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  file(READ ${_cef_root}/include/internal/cef_export.h _cef_export_h)
  string(REGEX MATCH "defined\\(COMPILER_GCC\\).*" _cef_gcc_branch "${_cef_export_h}")
  if(NOT _cef_gcc_branch MATCHES "CEF_CALLBACK[ \t]+__stdcall")
    message(FATAL_ERROR "${_cef_root}/include/internal/cef_export.h defines CEF_CALLBACK without "
                        "__stdcall for GCC; a 32-bit libcef.dll calls back with __stdcall (docs/windows.md)")
  endif()
endif()

# The SDK's public headers, for code that needs the engine's types but not the engine.
add_library(mvengine_api INTERFACE)
target_include_directories(mvengine_api INTERFACE ${_cef_root})
target_compile_definitions(mvengine_api INTERFACE USING_CEF_SHARED)

file(GLOB_RECURSE _cef_wrapper_sources CONFIGURE_DEPENDS ${_cef_root}/libcef_dll/*.cc)
add_library(mvengine STATIC ${_cef_wrapper_sources})
target_include_directories(mvengine PRIVATE ${_cef_root}/libcef_dll)
target_link_libraries(mvengine PUBLIC mvengine_api)
# The release's own sources predate our warning set.
target_compile_options(mvengine PRIVATE -w)

# GNU ld links the MSVC import library, or the DLL itself.
set(MVCEF_LIBCEF "")
foreach(_dir ${CMAKE_BUILD_TYPE} Release)
  foreach(_name libcef.lib libcef.dll libcef.so)
    if(NOT MVCEF_LIBCEF AND EXISTS ${_cef_root}/${_dir}/${_name})
      set(MVCEF_LIBCEF ${_cef_root}/${_dir}/${_name})
    endif()
  endforeach()
endforeach()
if(NOT MVCEF_LIBCEF)
  message(FATAL_ERROR "no libcef in ${_cef_root}/Release")
endif()
target_link_libraries(mvengine PUBLIC ${MVCEF_LIBCEF})
