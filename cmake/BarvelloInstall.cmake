# The libraries for other programs: the engine as a shared library with an soname (and,
# as an option, its static archive), the painting and export libraries for Qt programs,
# their public headers under include/barvello/, a CMake package (find_package(Barvello))
# and a pkg-config file (barvello-engine.pc). docs/engine.md shows their use.
#
# The project's own programs and tests keep linking the static archives (barvello_engine,
# barvello_render ...), which hold every name, internal ones included. Each shared library
# is linked from the object files of those archives, so nothing is compiled twice. The
# engine is compiled with hidden visibility: its shared library exports only the names
# marked BARVELLO_ENGINE_API (engine/export.h), which are the ones its installed headers
# declare.

include(CMakePackageConfigHelpers)

option(BARVELLO_INSTALL_STATIC "Also install the engine's static archive (Barvello::engine_static)" OFF)

# ---- what is installed ----

# The public headers, relative to the source root. They are installed with these paths
# under include/barvello/, so their own includes ("engine/errors.h") keep working; every
# project header a public header includes must be public too (checked below).
set(BARVELLO_ENGINE_PUBLIC_HEADERS
  engine/export.h
  engine/barcode.h
  engine/component.h
  engine/decor.h
  engine/errors.h
  engine/ksmath.h
  engine/params.h
  engine/persistent.h
  engine/symbology.h
  engine/ustring.h
  engine/gs1/gs1.h
  engine/linear/codabar_misc.h
  engine/matrix/matrix.h
  engine/matrix/aztec_params.h
  engine/matrix/datamatrix_params.h
  engine/matrix/pdf417.h
  engine/matrix/pdf417_params.h
  engine/matrix/qr_params.h)
set(BARVELLO_RENDER_PUBLIC_HEADERS
  render/canvas.h
  render/paint.h
  render/matrix_paint.h
  render/pdf417_paint.h
  render/recording_canvas.h
  render/qt/qt_canvas.h)
set(BARVELLO_OUTPUT_PUBLIC_HEADERS
  output/atomic_file.h
  output/export.h
  output/image_writers.h
  output/ini_file.h
  output/metafile_canvas.h
  output/printer.h
  verify/verify.h)

# The static targets whose objects make up each shared library (missing ones are left
# out, e.g. the Qt parts in a build without them), and the Qt modules the library's public
# headers use (its consumers get them; every other dependency stays private).
set(BARVELLO_ENGINE_PARTS barvello_engine)
set(BARVELLO_RENDER_PARTS barvello_render barvello_render_qt)
set(BARVELLO_RENDER_PUBLIC_QT Core Gui)
set(BARVELLO_OUTPUT_PARTS barvello_output barvello_verify)
set(BARVELLO_OUTPUT_PUBLIC_QT Core Gui)

# ABI version: the major version, or major.minor while the major version is 0 (every
# 0.x release may change the interface).
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(BARVELLO_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
else()
  set(BARVELLO_SOVERSION ${PROJECT_VERSION_MAJOR})
endif()

set(BARVELLO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Barvello)
set(BARVELLO_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/barvello)

# Under a sanitizer the shared libraries leave the sanitizer runtime to the program, so
# they may not insist on resolving every symbol themselves.
set(BARVELLO_SANITIZED OFF)
if(BARVELLO_SANITIZE OR CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(BARVELLO_SANITIZED ON)
endif()

# ---- the engine's visibility ----

# Objects of the shared libraries must be position independent; the engine's names are
# hidden unless marked.
foreach(part ${BARVELLO_ENGINE_PARTS} ${BARVELLO_RENDER_PARTS} ${BARVELLO_OUTPUT_PARTS})
  if(TARGET ${part})
    set_target_properties(${part} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  endif()
endforeach()
set_target_properties(barvello_engine PROPERTIES
  OUTPUT_NAME barvello-engine
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_include_directories(barvello_engine INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
  $<INSTALL_INTERFACE:${BARVELLO_INSTALL_HEADERDIR}>)
target_compile_features(barvello_engine PUBLIC cxx_std_20)

# ---- the shared libraries ----

# barvello_add_shared_library(TARGET OUTPUT_NAME name EXPORT_NAME name
#   PARTS static targets... LINK_PUBLIC libraries...)
# Links the objects of PARTS into a shared library. The parts' own dependencies become
# private dependencies, except the project's static libraries, which LINK_PUBLIC replaces
# by their shared libraries.
function(barvello_add_shared_library target)
  cmake_parse_arguments(arg "" "OUTPUT_NAME;EXPORT_NAME" "PARTS;LINK_PUBLIC" ${ARGN})
  set(objects)
  set(private)
  foreach(part ${arg_PARTS})
    if(NOT TARGET ${part})
      continue()
    endif()
    list(APPEND objects $<TARGET_OBJECTS:${part}>)
    get_target_property(deps ${part} LINK_LIBRARIES)
    if(deps)
      list(FILTER deps EXCLUDE REGEX "^barvello_")
      list(APPEND private ${deps})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES private)
  add_library(${target} SHARED ${objects})
  add_library(Barvello::${arg_EXPORT_NAME} ALIAS ${target})
  target_link_libraries(${target} PUBLIC ${arg_LINK_PUBLIC} PRIVATE ${private})
  target_include_directories(${target} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    $<INSTALL_INTERFACE:${BARVELLO_INSTALL_HEADERDIR}>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  set_target_properties(${target} PROPERTIES
    OUTPUT_NAME ${arg_OUTPUT_NAME}
    EXPORT_NAME ${arg_EXPORT_NAME}
    LINKER_LANGUAGE CXX
    VERSION ${PROJECT_VERSION}
    SOVERSION ${BARVELLO_SOVERSION}
    AUTOMOC OFF
    AUTOUIC OFF
    AUTORCC OFF
    # The Qt libraries find the engine beside themselves.
    INSTALL_RPATH "$ORIGIN")
  if(NOT BARVELLO_SANITIZED)
    # A name the library needs but no dependency exports (e.g. an engine name without
    # BARVELLO_ENGINE_API) fails here, not in the consumer's link.
    target_link_options(${target} PRIVATE "LINKER:--no-undefined")
  endif()
endfunction()

barvello_add_shared_library(barvello_engine_shared
  OUTPUT_NAME barvello-engine EXPORT_NAME engine PARTS ${BARVELLO_ENGINE_PARTS})
set(BARVELLO_LIBRARY_TARGETS barvello_engine_shared)
set(BARVELLO_QT_LIBRARY_TARGETS)
set(BARVELLO_PACKAGE_QT_COMPONENTS)

barvello_add_shared_library(barvello_render_shared
  OUTPUT_NAME barvello-render EXPORT_NAME render PARTS ${BARVELLO_RENDER_PARTS}
  LINK_PUBLIC barvello_engine_shared)
if(TARGET barvello_render_qt)
  foreach(m ${BARVELLO_RENDER_PUBLIC_QT})
    target_link_libraries(barvello_render_shared PUBLIC Qt6::${m})
  endforeach()
  list(APPEND BARVELLO_PACKAGE_QT_COMPONENTS ${BARVELLO_RENDER_PUBLIC_QT})
  list(APPEND BARVELLO_QT_LIBRARY_TARGETS barvello_render_shared)
else()
  list(APPEND BARVELLO_LIBRARY_TARGETS barvello_render_shared)
endif()

if(TARGET barvello_output)
  barvello_add_shared_library(barvello_output_shared
    OUTPUT_NAME barvello-output EXPORT_NAME output PARTS ${BARVELLO_OUTPUT_PARTS}
    LINK_PUBLIC barvello_render_shared)
  foreach(m ${BARVELLO_OUTPUT_PUBLIC_QT})
    target_link_libraries(barvello_output_shared PUBLIC Qt6::${m})
  endforeach()
  list(APPEND BARVELLO_PACKAGE_QT_COMPONENTS ${BARVELLO_OUTPUT_PUBLIC_QT})
  list(APPEND BARVELLO_QT_LIBRARY_TARGETS barvello_output_shared)
endif()
list(REMOVE_DUPLICATES BARVELLO_PACKAGE_QT_COMPONENTS)

# ---- headers ----

set(BARVELLO_PUBLIC_HEADERS ${BARVELLO_ENGINE_PUBLIC_HEADERS})
if(TARGET barvello_render_shared)
  list(APPEND BARVELLO_PUBLIC_HEADERS ${BARVELLO_RENDER_PUBLIC_HEADERS})
endif()
if(TARGET barvello_output_shared)
  list(APPEND BARVELLO_PUBLIC_HEADERS ${BARVELLO_OUTPUT_PUBLIC_HEADERS})
endif()
foreach(header ${BARVELLO_PUBLIC_HEADERS})
  set(path ${PROJECT_SOURCE_DIR}/${header})
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "Public header ${header} does not exist: update the lists in ${CMAKE_CURRENT_LIST_FILE}")
  endif()
  # An installed header that includes an uninstalled one would not compile for consumers.
  file(STRINGS ${path} includes REGEX "^#include \"")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    if(NOT included IN_LIST BARVELLO_PUBLIC_HEADERS)
      message(FATAL_ERROR "Public header ${header} includes ${included}, which is not public: "
                          "add it to the lists in ${CMAKE_CURRENT_LIST_FILE}")
    endif()
  endforeach()
  get_filename_component(dir ${header} DIRECTORY)
  install(FILES ${path} DESTINATION ${BARVELLO_INSTALL_HEADERDIR}/${dir} COMPONENT development)
endforeach()

# ---- libraries, CMake package, pkg-config ----

set(BARVELLO_ENGINE_EXPORT_TARGETS barvello_engine_shared)
if(BARVELLO_INSTALL_STATIC)
  set_target_properties(barvello_engine PROPERTIES EXPORT_NAME engine_static)
  list(APPEND BARVELLO_ENGINE_EXPORT_TARGETS barvello_engine)
endif()
if(TARGET barvello_render_shared AND NOT barvello_render_shared IN_LIST BARVELLO_QT_LIBRARY_TARGETS)
  # A render library without Qt needs nothing beyond the engine.
  list(APPEND BARVELLO_ENGINE_EXPORT_TARGETS barvello_render_shared)
endif()
install(TARGETS ${BARVELLO_ENGINE_EXPORT_TARGETS} EXPORT BarvelloEngineTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(EXPORT BarvelloEngineTargets NAMESPACE Barvello::
  DESTINATION ${BARVELLO_INSTALL_CMAKEDIR} COMPONENT development)
if(BARVELLO_QT_LIBRARY_TARGETS)
  install(TARGETS ${BARVELLO_QT_LIBRARY_TARGETS} EXPORT BarvelloQtTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries NAMELINK_COMPONENT development)
  install(EXPORT BarvelloQtTargets NAMESPACE Barvello::
    DESTINATION ${BARVELLO_INSTALL_CMAKEDIR} COMPONENT development)
endif()

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/BarvelloConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/BarvelloConfig.cmake
  INSTALL_DESTINATION ${BARVELLO_INSTALL_CMAKEDIR})
# Until 1.0 a minor release may change the interface.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(compatibility SameMinorVersion)
else()
  set(compatibility SameMajorVersion)
endif()
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/BarvelloConfigVersion.cmake
  COMPATIBILITY ${compatibility})
install(FILES ${PROJECT_BINARY_DIR}/package/BarvelloConfig.cmake
              ${PROJECT_BINARY_DIR}/package/BarvelloConfigVersion.cmake
  DESTINATION ${BARVELLO_INSTALL_CMAKEDIR} COMPONENT development)

# The .pc file finds its prefix from its own place, so an installed tree can be moved
# (and installed with --prefix elsewhere than configured).
set(pcdir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH BARVELLO_PC_PREFIX /${pcdir} /)
string(REGEX REPLACE "/$" "" BARVELLO_PC_PREFIX "${BARVELLO_PC_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/barvello-engine.pc.in
  ${PROJECT_BINARY_DIR}/package/barvello-engine.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/barvello-engine.pc
  DESTINATION ${pcdir} COMPONENT development)
