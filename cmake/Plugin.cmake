# The plug-in libraries the host loads: Quenara.8bf from the 32-bit build and Quenara64.8bf from
# the 64-bit build, each the entry point + everything else of the plug-in + its resources. They
# are modules (loaded with LoadLibrary, never linked against), so no import library is made.
#
# The only export is ENTRYPOINT, undecorated; the runtime is linked statically (see
# Warnings.cmake), so the libraries import nothing but Windows system DLLs. Both properties are
# checked on the built files by tests/resources.
if(NOT WIN32)
  return()
endif()

set(QUENARA_PLUGIN_ENTRY ${PROJECT_SOURCE_DIR}/plugin/EntryPoint.cpp)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUENARA_PLUGIN_NAME Quenara64)
else()
  set(QUENARA_PLUGIN_NAME Quenara)
endif()

add_library(quenara_8bf MODULE ${QUENARA_PLUGIN_ENTRY})
target_link_libraries(quenara_8bf PRIVATE quenara_plugin_core quenara_resources)
set_target_properties(quenara_8bf PROPERTIES
  PREFIX ""
  SUFFIX ".8bf"
  OUTPUT_NAME ${QUENARA_PLUGIN_NAME}
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The export table lists exactly the names of the .def file, whatever the static libraries
# carry; a release library ships without symbols.
target_sources(quenara_8bf PRIVATE ${PROJECT_SOURCE_DIR}/resources/Quenara.def)
target_link_options(quenara_8bf PRIVATE $<$<CONFIG:Release>:-s>)
