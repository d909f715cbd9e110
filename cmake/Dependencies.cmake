# Everything comes from Debian packages (scripts/install-deps).
find_package(Eigen3 3.3 REQUIRED NO_MODULE)

# Debian's SimpleIni is one header; it is compiled header-only (the implementation is
# instantiated in src/config/ini.cpp). Cross builds copy the header into the build tree
# so that no other host header leaks into the include path.
find_path(SIMPLEINI_INCLUDE_DIR SimpleIni.h REQUIRED)
set(VELMORA_SIMPLEINI_DIR ${CMAKE_BINARY_DIR}/third_party/simpleini)
file(COPY ${SIMPLEINI_INCLUDE_DIR}/SimpleIni.h DESTINATION ${VELMORA_SIMPLEINI_DIR})
add_library(velmora_simpleini INTERFACE)
target_include_directories(velmora_simpleini SYSTEM INTERFACE ${VELMORA_SIMPLEINI_DIR})
target_compile_definitions(velmora_simpleini INTERFACE SI_NO_CONVERSION)

add_library(velmora_eigen INTERFACE)
target_link_libraries(velmora_eigen INTERFACE Eigen3::Eigen)
# Keep Eigen's arithmetic plain and deterministic across compilers: no vectorised
# code paths whose rounding could differ between the Linux and Windows builds.
target_compile_definitions(velmora_eigen INTERFACE EIGEN_DONT_VECTORIZE EIGEN_MAX_STATIC_ALIGN_BYTES=0 EIGEN_MPL2_ONLY)

find_package(nlohmann_json 3 REQUIRED)
if(VELMORA_TOOLS)
  find_package(CLI11 REQUIRED)
endif()
if(VELMORA_TESTS)
  find_package(GTest REQUIRED)
endif()
if(VELMORA_BENCHMARKS)
  find_package(benchmark REQUIRED)
endif()
