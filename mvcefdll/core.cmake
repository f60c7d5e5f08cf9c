# The thread-crossing core of the library and its pure rules. Only the input rules see the engine's
# type header and <windows.h> (the stand-in where there is no Win32); they call neither.
add_library(mvcefdll_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/frame_buffer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_message_queue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/subprocess_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf.cpp
  ${CMAKE_CURRENT_LIST_DIR}/input_rules.cpp
)
set_target_properties(mvcefdll_core PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(mvcefdll_core PUBLIC
  ${CMAKE_CURRENT_LIST_DIR}/..
  # Whichever engine is built (ours or the SDK) provides the engine headers.
  $<TARGET_PROPERTY:mvengine,INTERFACE_INCLUDE_DIRECTORIES>)
# and the definitions its headers are compiled with (the SDK's Windows ones).
target_compile_definitions(mvcefdll_core PUBLIC $<TARGET_PROPERTY:mvengine,INTERFACE_COMPILE_DEFINITIONS>)
if(NOT WIN32)
  target_include_directories(mvcefdll_core PUBLIC ${CMAKE_CURRENT_LIST_DIR}/../platform/include)
endif()
target_compile_features(mvcefdll_core PUBLIC cxx_std_17)
find_package(Threads REQUIRED)
target_link_libraries(mvcefdll_core PUBLIC Threads::Threads)
