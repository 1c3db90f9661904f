# framework_layer(<layer> [USES <lower layers>...] [LINKS <libraries>...])
#
# Builds framework/<layer>/ as the static library fw_<layer> from every source
# in its folder. USES names the framework layers it may include and links;
# LINKS the outside libraries it needs. The include check runs before the
# layer compiles, so a wrong-way include fails the build.
function(framework_layer layer)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "USES;LINKS")
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/fw_${layer}_includes.stamp)
  set(allowed ${layer} ${ARG_USES})
  add_custom_command(
    OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DLAYER=${layer} "-DALLOWED=${allowed}" "-DSOURCES=${sources}"
            -DSTAMP=${stamp} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    DEPENDS ${sources} ${PROJECT_SOURCE_DIR}/cmake/CheckLayerIncludes.cmake
    COMMENT "Checking the includes of framework/${layer}"
    VERBATIM)
  add_custom_target(fw_${layer}_includes DEPENDS ${stamp})
  add_library(fw_${layer} STATIC)
  target_sources(fw_${layer} PRIVATE ${sources})
  add_dependencies(fw_${layer} fw_${layer}_includes)
  target_include_directories(fw_${layer} PUBLIC ${PROJECT_SOURCE_DIR})
  list(TRANSFORM ARG_USES PREPEND fw_ OUTPUT_VARIABLE used_targets)
  target_link_libraries(fw_${layer} PUBLIC ${used_targets} ${ARG_LINKS})
endfunction()
