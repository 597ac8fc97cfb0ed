# The Windows build's pictures: the host tool prolamo-rasterize, built with the host's compiler
# and Qt Svg in a configure of its own, renders every SVG file of resources/prolamo.qrc into PNG
# files and the program icon into an .ico; the host's rcc compiles the PNG files into a resource
# source under the same resource name, so Q_INIT_RESOURCE(prolamo) finds them.
include(ExternalProject)
set(host_args -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>)
if(NOT CMAKE_CROSSCOMPILING)
  # Built on Windows itself, the tool uses the program's own Qt, which then has its Svg module.
  string(REPLACE ";" "|" prefix_path "${CMAKE_PREFIX_PATH}")
  list(APPEND host_args -DCMAKE_PREFIX_PATH=${prefix_path})
endif()
set(rasterize <INSTALL_DIR>/bin/prolamo-rasterize${CMAKE_HOST_EXECUTABLE_SUFFIX})
ExternalProject_Add(prolamo_rasterize_host
  SOURCE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/tools
  LIST_SEPARATOR |
  CMAKE_ARGS ${host_args}
  BUILD_BYPRODUCTS ${rasterize})
ExternalProject_Get_Property(prolamo_rasterize_host INSTALL_DIR)
string(REPLACE "<INSTALL_DIR>" "${INSTALL_DIR}" rasterize "${rasterize}")

set(resources ${CMAKE_CURRENT_SOURCE_DIR}/resources)
file(GLOB svg_files CONFIGURE_DEPENDS ${resources}/*.svg ${resources}/*/*.svg)
set(pictures ${CMAKE_CURRENT_BINARY_DIR}/pictures)
set(PROLAMO_PICTURE_RESOURCES ${pictures}/qrc_prolamo.cpp)
set(PROLAMO_ICO ${CMAKE_CURRENT_BINARY_DIR}/prolamo.ico)
add_custom_command(OUTPUT ${PROLAMO_PICTURE_RESOURCES}
  COMMAND ${rasterize} ${resources}/prolamo.qrc ${pictures}
  COMMAND $<TARGET_FILE:Qt6::rcc> --name prolamo -o ${PROLAMO_PICTURE_RESOURCES} ${pictures}/prolamo.qrc
  DEPENDS prolamo_rasterize_host ${resources}/prolamo.qrc ${svg_files}
  COMMENT "Rendering the pictures into PNG resources"
  VERBATIM)
add_custom_command(OUTPUT ${PROLAMO_ICO}
  COMMAND ${rasterize} --ico ${resources}/prolamo.svg ${PROLAMO_ICO}
  DEPENDS prolamo_rasterize_host ${resources}/prolamo.svg
  COMMENT "Rendering the program icon"
  VERBATIM)

# prolamo_windows_program_resources(<target>): a GUI-subsystem program with the icon and the
# application manifest.
function(prolamo_windows_program_resources target)
  string(REGEX MATCHALL "[0-9]+" parts "${PROJECT_VERSION}.0.0.0")
  list(SUBLIST parts 0 4 parts)
  list(JOIN parts "." PROLAMO_RC_VERSION)
  set(PROLAMO_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/prolamo.manifest ${PROLAMO_MANIFEST} @ONLY)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_program.rc)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/prolamo.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${PROLAMO_ICO};${PROLAMO_MANIFEST}")
  target_sources(${target} PRIVATE ${rc} ${PROLAMO_ICO})
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
endfunction()
