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

# A MinGW-built wrapper talks to the Microsoft-built 32-bit libcef.dll through function pointers
# declared CEF_CALLBACK, which must be __stdcall on both sides; the release defines it so for
# Microsoft's compiler only. A copy of its cef_export.h with the GCC branch mended goes ahead of
# the release's own (every header includes it as "include/internal/cef_export.h").
set(_cef_fixes "")
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT MSVC)
  file(READ ${_cef_root}/include/internal/cef_export.h _cef_export_h)
  string(FIND "${_cef_export_h}" "defined(COMPILER_GCC)" _gcc_at)
  if(_gcc_at LESS 0)
    message(FATAL_ERROR "${_cef_root}/include/internal/cef_export.h has no GCC branch to mend")
  endif()
  string(SUBSTRING "${_cef_export_h}" 0 ${_gcc_at} _before_gcc)
  string(SUBSTRING "${_cef_export_h}" ${_gcc_at} -1 _gcc_branch)
  if(NOT _gcc_branch MATCHES "CEF_CALLBACK[ \t]+__stdcall")
    string(REGEX REPLACE "#define CEF_CALLBACK[ \t]*\n" "#define CEF_CALLBACK __stdcall\n" _mended "${_gcc_branch}")
    if(_mended STREQUAL _gcc_branch)
      message(FATAL_ERROR "cannot find CEF_CALLBACK in the GCC branch of ${_cef_root}/include/internal/cef_export.h")
    endif()
    set(_cef_fixes ${CMAKE_BINARY_DIR}/cef_sdk_fixes)
    file(CONFIGURE OUTPUT ${_cef_fixes}/include/internal/cef_export.h CONTENT "${_before_gcc}${_mended}")
  endif()
endif()

# The SDK's public headers, for code that needs the engine's types but not the engine.
add_library(mvengine_api INTERFACE)
target_include_directories(mvengine_api INTERFACE ${_cef_fixes} ${_cef_root})
target_compile_definitions(mvengine_api INTERFACE USING_CEF_SHARED)
if(WIN32)
  # The release's own Windows definitions: its wrapper uses std::min and std::max, and everything
  # built against it sees the same windows.h.
  target_compile_definitions(mvengine_api INTERFACE NOMINMAX WIN32_LEAN_AND_MEAN UNICODE _UNICODE)
endif()

file(GLOB_RECURSE _cef_wrapper_sources CONFIGURE_DEPENDS ${_cef_root}/libcef_dll/*.cc)
add_library(mvengine STATIC ${_cef_wrapper_sources})
target_include_directories(mvengine PRIVATE ${_cef_root}/libcef_dll)
target_link_libraries(mvengine PUBLIC mvengine_api)
# The release's own sources predate our warning set.
if(MSVC)
  target_compile_options(mvengine PRIVATE /w)
else()
  target_compile_options(mvengine PRIVATE -w)
endif()

# Microsoft's linker takes the import library; GNU ld that, or the DLL itself.
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

# What the engine needs at run time, in the install layout's mvcef/ beside marovekcef.exe: the
# engine's sub-processes start there and find libcef.dll in their own folder, and the engine looks
# for its resources (paks, icudtl.dat, locales/) beside libcef.dll. The build tree gets the same.
if(WIN32)
  get_filename_component(_cef_binary_dir ${MVCEF_LIBCEF} DIRECTORY)
  file(GLOB _cef_runtime_files ${_cef_binary_dir}/*.dll ${_cef_binary_dir}/*.bin ${_cef_binary_dir}/*.exe)
  install(FILES ${_cef_runtime_files} DESTINATION mvcef)
  add_custom_target(mvcef_engine_files ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MVCEF_SUBPROCESS_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${_cef_runtime_files} ${MVCEF_SUBPROCESS_DIR}
    VERBATIM)
  if(EXISTS ${_cef_root}/Resources)
    install(DIRECTORY ${_cef_root}/Resources/ DESTINATION mvcef)
    add_custom_command(TARGET mvcef_engine_files POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${_cef_root}/Resources ${MVCEF_SUBPROCESS_DIR} VERBATIM)
  endif()
endif()
