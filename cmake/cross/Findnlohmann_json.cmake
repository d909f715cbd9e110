# nlohmann/json for cross builds: the build machine's headers are copied into the build
# tree, so the Windows build includes them without the rest of /usr/include.
find_path(NLOHMANN_JSON_HOST_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
if(NLOHMANN_JSON_HOST_DIR)
  # The version macros live in json.hpp (single header) or detail/abi_macros.hpp (split).
  file(GLOB _velmora_json_headers ${NLOHMANN_JSON_HOST_DIR}/nlohmann/json.hpp
       ${NLOHMANN_JSON_HOST_DIR}/nlohmann/detail/abi_macros.hpp)
  set(_velmora_json_version "")
  foreach(_header IN LISTS _velmora_json_headers)
    file(STRINGS ${_header} _lines REGEX "#define NLOHMANN_JSON_VERSION_(MAJOR|MINOR|PATCH) +[0-9]+")
    string(APPEND _velmora_json_version "${_lines}")
  endforeach()
  string(REGEX REPLACE ".*MAJOR +([0-9]+).*MINOR +([0-9]+).*PATCH +([0-9]+).*" "\\1.\\2.\\3"
         nlohmann_json_VERSION "${_velmora_json_version}")
endif()
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(nlohmann_json REQUIRED_VARS NLOHMANN_JSON_HOST_DIR VERSION_VAR nlohmann_json_VERSION)

if(nlohmann_json_FOUND AND NOT TARGET nlohmann_json::nlohmann_json)
  set(_velmora_json_dir ${CMAKE_BINARY_DIR}/third_party/nlohmann_json)
  file(COPY ${NLOHMANN_JSON_HOST_DIR}/nlohmann DESTINATION ${_velmora_json_dir})
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_velmora_json_dir})
endif()
