# The Chromium runtime. Included by engine/CMakeLists.txt (and by its tests when
# the engine does not include it yet); defines
#   mvengine_chromium_protocol  DevTools layer: launcher, channel, frames, input rules
#   mvengine_chromium           the runtime behind the engine seam
include_guard(GLOBAL)

find_package(Threads REQUIRED)
find_package(JPEG REQUIRED GLOBAL)
find_package(nlohmann_json 3 REQUIRED GLOBAL)

set(_mvc_dir ${CMAKE_CURRENT_LIST_DIR})
include(${_mvc_dir}/frame_decoder.cmake)

add_library(mvengine_chromium_protocol STATIC
  ${_mvc_dir}/debug_log.cpp
  ${_mvc_dir}/chromium_launcher.cpp
  ${_mvc_dir}/devtools_transport.cpp
  ${_mvc_dir}/devtools_session.cpp
  ${_mvc_dir}/chromium_connection.cpp
  ${_mvc_dir}/base64_decode.cpp
  ${_mvc_dir}/screencast_receiver.cpp
  ${_mvc_dir}/input_mapping.cpp
  ${_mvc_dir}/view_metrics.cpp
  ${_mvc_dir}/net_error.cpp
)
set_target_properties(mvengine_chromium_protocol PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_include_directories(mvengine_chromium_protocol PUBLIC ${_mvc_dir})
target_link_libraries(mvengine_chromium_protocol PUBLIC nlohmann_json::nlohmann_json
                      Threads::Threads mvengine_frame_decoder)

# The runtime proper needs the engine API (target mvengine, defined by the engine
# before it includes this file).
if(TARGET mvengine)
  add_library(mvengine_chromium STATIC
    ${_mvc_dir}/task_thread.cpp
    ${_mvc_dir}/chromium_switches.cpp
    ${_mvc_dir}/context_menu.cpp
    ${_mvc_dir}/chromium_frame.cpp
    ${_mvc_dir}/chromium_browser.cpp
    ${_mvc_dir}/chromium_browser_events.cpp
    ${_mvc_dir}/chromium_browser_input.cpp
    ${_mvc_dir}/chromium_runtime.cpp
    ${_mvc_dir}/chromium_subprocess.cpp
    ${_mvc_dir}/bridge_protocol.cpp
    ${_mvc_dir}/render_host.cpp
    ${_mvc_dir}/render_process.cpp
    ${_mvc_dir}/render_wire.cpp
    ${_mvc_dir}/message_channel.cpp
    ${_mvc_dir}/process_message_json.cpp
    ${_mvc_dir}/renderer_proxies.cpp
    ${_mvc_dir}/renderer_loop.cpp
  )
  set_target_properties(mvengine_chromium PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(mvengine_chromium PUBLIC ${_mvc_dir})
  # mvengine links this library back: the two static libraries form a cycle,
  # which CMake resolves by repeating them on the link line.
  target_link_libraries(mvengine_chromium PUBLIC mvengine mvengine_chromium_protocol PRIVATE JPEG::JPEG)
endif()
