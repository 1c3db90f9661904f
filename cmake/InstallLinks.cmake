# Run by `cmake --install`: the program's link in PREFIX/bin and its desktop
# entry, both of which need the prefix chosen at install time.
# In: SNAPHARBOR_BUNDLE (the bundle's folder under the prefix) and
# SNAPHARBOR_DESKTOP_TEMPLATE.
set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(MAKE_DIRECTORY "${root}/bin")
set(link "${root}/bin/snapharbor")
message(STATUS "Installing: ${link} -> ../${SNAPHARBOR_BUNDLE}/bin/snapharbor")
file(REMOVE "${link}")
file(CREATE_LINK "../${SNAPHARBOR_BUNDLE}/bin/snapharbor" "${link}" SYMBOLIC)

set(SNAPHARBOR_EXEC "${CMAKE_INSTALL_PREFIX}/bin/snapharbor")
if(SNAPHARBOR_EXEC MATCHES "[ \t\"'\\\\$`]")
  string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" SNAPHARBOR_EXEC "${SNAPHARBOR_EXEC}")
  set(SNAPHARBOR_EXEC "\"${SNAPHARBOR_EXEC}\"")
endif()
set(entry "${root}/share/applications/snapharbor.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${SNAPHARBOR_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
