# nlohmann/json (header-only) as the target nlohmann_json::nlohmann_json. A cross build finds
# no package for its target system, so it takes the build machine's headers, copied on their
# own: /usr/include as a whole would put the build machine's C library before the target's.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(nlohmann_json 3.2 REQUIRED)
  return()
endif()
find_path(KESTRILO_JSON_HOST_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(json_include ${CMAKE_BINARY_DIR}/nlohmann-json)
file(COPY ${KESTRILO_JSON_HOST_INCLUDE}/nlohmann DESTINATION ${json_include})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${json_include})
