# The page bridge's pure rules: Base64, image paths, file reading, the placeholder
# image, the process-message vocabulary, the upload-status book and the origins
# that get the bridge. Nothing here touches the engine or Win32, so tests and
# benchmarks link it alone.
if(TARGET pagebridge_rules)
  return()
endif()

add_library(pagebridge_rules STATIC
  ${CMAKE_CURRENT_LIST_DIR}/base64.cpp
  ${CMAKE_CURRENT_LIST_DIR}/base64_lines_scalar.cpp
  ${CMAKE_CURRENT_LIST_DIR}/base64_lines_ssse3.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/data_uri.cpp
  ${CMAKE_CURRENT_LIST_DIR}/process_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/upload_status.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bridge_origins.cpp
)
set_target_properties(pagebridge_rules PROPERTIES POSITION_INDEPENDENT_CODE ON)
get_filename_component(_pagebridge_rules_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
target_include_directories(pagebridge_rules PUBLIC ${_pagebridge_rules_root})
target_compile_features(pagebridge_rules PUBLIC cxx_std_17)
