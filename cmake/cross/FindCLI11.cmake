# CLI11 for cross builds: the build machine's headers are copied into the build tree, so the
# Windows tools include them without the rest of /usr/include.
find_path(CLI11_HOST_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
include(FindPackageHandleStandardArgs)
find_package_handle_standard_args(CLI11 REQUIRED_VARS CLI11_HOST_DIR)

if(CLI11_FOUND AND NOT TARGET CLI11::CLI11)
  set(_velmora_cli11_dir ${CMAKE_BINARY_DIR}/third_party/cli11)
  file(COPY ${CLI11_HOST_DIR}/CLI DESTINATION ${_velmora_cli11_dir})
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_velmora_cli11_dir})
endif()
