# The screencast frame decoder behind jpeg_frame_decoder.h, as the static library
# mvengine_frame_decoder: libjpeg-turbo where the system has it (Debian), stb_image's header-only
# decoder (Debian's libstb-dev) on Windows, where MinGW has no libjpeg. Also defines
# mvengine_stb_jpeg_decoder, which tests build on Linux to hold both decoders to one standard.
# Sources include each other rooted at the project; the folder is on nobody's include path.
include_guard(GLOBAL)

set(_mvd_dir ${CMAKE_CURRENT_LIST_DIR})
# Only stb's own folder: in a cross build the rest of /usr/include is the wrong system's.
find_path(MVCEF_STB_INCLUDE_DIR stb_image.h PATHS /usr/include/stb PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder of stb_image.h (Debian package libstb-dev)")

# Scaling to the view, which both decoders share.
add_library(mvengine_bgra_scale STATIC ${_mvd_dir}/bgra_scale.cpp)

add_library(mvengine_stb_jpeg_decoder STATIC ${_mvd_dir}/stb_jpeg_decoder.cpp)
target_include_directories(mvengine_stb_jpeg_decoder PRIVATE ${MVCEF_STB_INCLUDE_DIR})
target_link_libraries(mvengine_stb_jpeg_decoder PUBLIC mvengine_bgra_scale)

if(WIN32)
  add_library(mvengine_frame_decoder STATIC ${_mvd_dir}/jpeg_frame_decoder_stb.cpp)
  target_link_libraries(mvengine_frame_decoder PUBLIC mvengine_stb_jpeg_decoder)
else()
  find_package(JPEG REQUIRED)
  add_library(mvengine_frame_decoder STATIC ${_mvd_dir}/jpeg_frame_decoder.cpp)
  target_link_libraries(mvengine_frame_decoder PUBLIC mvengine_bgra_scale PRIVATE JPEG::JPEG)
endif()
foreach(_t mvengine_bgra_scale mvengine_stb_jpeg_decoder mvengine_frame_decoder)
  set_target_properties(${_t} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${_t} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_features(${_t} PUBLIC cxx_std_17)
endforeach()
