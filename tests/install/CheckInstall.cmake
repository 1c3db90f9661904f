# Installs the build into a fresh prefix and checks the layout there: the
# bundle under lib/snapharbor, the link in bin/, the desktop entry and the
# icon; then starts a probe placed in the installed bundle through a link in
# bin/ and checks that it finds the pictures.
# In: BUILD_DIR, PREFIX (removed and made anew), PROBE (the probe program).
cmake_minimum_required(VERSION 3.25)

function(fail what)
  message(FATAL_ERROR "install layout: ${what}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  fail("cmake --install failed: ${out}")
endif()

set(bundle "${PREFIX}/lib/snapharbor")
foreach(f bin/snapharbor Resources/tumblr.png Resources/dorvex_logo2.png)
  if(NOT EXISTS "${bundle}/${f}" OR IS_DIRECTORY "${bundle}/${f}")
    fail("no ${bundle}/${f}")
  endif()
endforeach()
if(EXISTS "${PREFIX}/Resources")
  fail("pictures left at ${PREFIX}/Resources")
endif()

if(NOT IS_SYMLINK "${PREFIX}/bin/snapharbor")
  fail("${PREFIX}/bin/snapharbor is not a link")
endif()
file(READ_SYMLINK "${PREFIX}/bin/snapharbor" target)
if(NOT target STREQUAL "../lib/snapharbor/bin/snapharbor")
  fail("${PREFIX}/bin/snapharbor points to ${target}")
endif()
file(REAL_PATH "${PREFIX}/bin/snapharbor" resolved)
file(REAL_PATH "${bundle}/bin/snapharbor" program)
if(NOT resolved STREQUAL program)
  fail("the link leads to ${resolved}, not ${program}")
endif()

set(entry "${PREFIX}/share/applications/snapharbor.desktop")
if(NOT EXISTS "${entry}")
  fail("no ${entry}")
endif()
file(STRINGS "${entry}" lines)
foreach(want "[Desktop Entry]" "Type=Application" "Name=SnapHarbor" "Exec=${PREFIX}/bin/snapharbor"
             "Icon=snapharbor")
  if(NOT want IN_LIST lines)
    fail("${entry} lacks the line ${want}")
  endif()
endforeach()
file(GLOB icons "${PREFIX}/share/icons/hicolor/*/apps/snapharbor.png")
if(NOT icons)
  fail("no icon under ${PREFIX}/share/icons/hicolor/<size>/apps")
endif()
foreach(icon ${icons})
  # The folder names the size; the picture must have it (PNG header: width
  # and height as 4 bytes each from byte 16).
  get_filename_component(sizeDir "${icon}" DIRECTORY)
  get_filename_component(sizeDir "${sizeDir}" DIRECTORY)
  get_filename_component(size "${sizeDir}" NAME)
  file(READ "${icon}" header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 32 8 w)
  string(SUBSTRING "${header}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT size STREQUAL "${w}x${h}")
    fail("${icon} is ${w}x${h}")
  endif()
endforeach()

# The probe beside the installed program, started through a link in bin/
# from another folder, finds the pictures in the bundle.
get_filename_component(probeName "${PROBE}" NAME)
file(COPY "${PROBE}" DESTINATION "${bundle}/bin")
file(CREATE_LINK "../lib/snapharbor/bin/${probeName}" "${PREFIX}/bin/${probeName}" SYMBOLIC)
execute_process(COMMAND "${PREFIX}/bin/${probeName}" WORKING_DIRECTORY "${PREFIX}/share"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message(STATUS "probe: ${out}${err}")
if(NOT rc EQUAL 0 OR NOT out MATCHES "tumblr 36x35" OR NOT out MATCHES "dorvex_logo2 129x59")
  fail("started through the link, the program does not find its pictures: ${out}${err}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
