# kc_add_library(NAME [DEPS lib...] [PRIVATE_DEPS lib...])
# A subsystem library built from every .cpp of its folder (sandbox and other
# sub-folders add their own targets).
function(kc_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC kc_common ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()
