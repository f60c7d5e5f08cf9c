# The stand-in browser's plain parts (recording, value flow, replay rules, message framing) as
# devtools_replay_rules, for the stand-in (Linux and MinGW) and for the unit tests.
include_guard(GLOBAL)

get_filename_component(_replay_repo ${CMAKE_CURRENT_LIST_DIR}/../.. ABSOLUTE)
if(CMAKE_CROSSCOMPILING)
  # nlohmann-json is header-only; in a cross build only its own folder may join the include path,
  # not the rest of /usr/include, which is the other system's.
  file(COPY /usr/include/nlohmann DESTINATION ${CMAKE_BINARY_DIR}/debian-headers)
  add_library(devtools_replay_json INTERFACE)
  target_include_directories(devtools_replay_json INTERFACE ${CMAKE_BINARY_DIR}/debian-headers)
else()
  find_package(nlohmann_json 3 REQUIRED)
  add_library(devtools_replay_json INTERFACE)
  target_link_libraries(devtools_replay_json INTERFACE nlohmann_json::nlohmann_json)
endif()
# Base64 from the project's shared code; built here too when a project of its own (tests/wine)
# includes this file.
if(NOT TARGET mvcommon)
  add_subdirectory(${_replay_repo}/common ${CMAKE_BINARY_DIR}/replay-common)
endif()

add_library(devtools_replay_rules STATIC
  ${CMAKE_CURRENT_LIST_DIR}/recording.cpp
  ${CMAKE_CURRENT_LIST_DIR}/value_flow.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_reader.cpp)
target_include_directories(devtools_replay_rules PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${_replay_repo})
target_link_libraries(devtools_replay_rules PUBLIC devtools_replay_json mvcommon)
target_compile_features(devtools_replay_rules PUBLIC cxx_std_17)
