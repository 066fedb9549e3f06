# The extensions the installer puts Varnel in "Open with" for: those of the rows of kFormats
# (core/src/format_table.cpp) marked `.openWith = true`, in the table's order, read from the
# table's text so that a format offered there needs no line elsewhere. Sets OUT to a list of
# ".ext" names; the table's change reconfigures the build.
function(varnel_open_with_extensions out)
  set(table_file ${PROJECT_SOURCE_DIR}/core/src/format_table.cpp)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table_file})
  file(READ ${table_file} table)
  # A row at a time below, split where rows begin: without the characters CMake lists take
  # for their own (";", and brackets, which would join elements).
  string(REGEX REPLACE "[];[]" "" table "${table}")
  string(REPLACE "\n    {.name = " ";" rows "${table}")
  set(extensions)
  foreach(row IN LISTS rows)
    if(row MATCHES "\\.openWith = true" AND row MATCHES "\\.extensions = {([^}]*)}")
      string(REGEX MATCHALL "\"[a-z0-9]+\"" names "${CMAKE_MATCH_1}")
      foreach(name IN LISTS names)
        string(REPLACE "\"" "" name ${name})
        list(APPEND extensions .${name})
      endforeach()
    endif()
  endforeach()
  if(NOT extensions)
    message(FATAL_ERROR "no row of ${table_file} is marked .openWith = true: has its layout changed?")
  endif()
  set(${out} ${extensions} PARENT_SCOPE)
endfunction()
