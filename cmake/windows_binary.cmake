# What every shipped Windows binary (mvcefdll.dll, marovekcef.exe) is linked with, per compiler:
# the GUI subsystem and OS version of Windows XP, no manifest of the linker's own (marovekcef.exe
# embeds its manifest as a resource), and nothing imported that XP lacks.
include_guard(GLOBAL)

function(mvcef_windows_binary target)
  if(MSVC)
    # 5.01 is XP's version for 32-bit images; 64-bit ones start at 5.02.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      set(_version 5.01)
    else()
      set(_version 5.02)
    endif()
    target_link_options(${target} PRIVATE /SUBSYSTEM:WINDOWS,${_version} /MANIFEST:NO)
  else()
    target_link_options(${target} PRIVATE -Wl,--subsystem,windows:5.01
      -Wl,--major-os-version,5 -Wl,--minor-os-version,1)
    # MinGW's static winpthreads imports GetTickCount64; this serves it without the import.
    target_link_libraries(${target} PRIVATE mvplatform_xp)
  endif()
endfunction()

# Microsoft's compiler exports the class itself (__declspec(dllexport) in mvcefdll.h): its .def
# keeps only the plain functions, as the aliases to GCC's symbols would not resolve there.
function(mvcef_msvc_def source output)
  file(STRINGS ${source} _lines)
  set(_def "")
  foreach(_line IN LISTS _lines)
    if(NOT _line MATCHES "=")
      string(APPEND _def "${_line}\n")
    endif()
  endforeach()
  file(CONFIGURE OUTPUT ${output} CONTENT "${_def}" @ONLY)
endfunction()
