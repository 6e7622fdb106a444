# Configure-time checks of what the build needs from the system, so that a
# missing header stops the configuration with the Debian package that
# provides it instead of surfacing halfway through the build.
#
# jex_require_header(<header> <package>)
# jex_require_program(<var> <program> <package>)
#   Record a missing header or program; <var> gets the program's path.
# jex_check_dependencies()
#   Fail with one line per missing item and the apt-get line that fixes it.

set(_jex_missing "" CACHE INTERNAL "")
set(_jex_missing_packages "" CACHE INTERNAL "")

function(_jex_missing what package)
  set(_jex_missing "${_jex_missing};  ${what} (Debian package ${package})" CACHE INTERNAL "")
  set(_jex_missing_packages "${_jex_missing_packages} ${package}" CACHE INTERNAL "")
endfunction()

function(jex_require_header header package)
  string(MAKE_C_IDENTIFIER "JEX_HEADER_${header}" var)
  find_path(${var} NAMES ${header})
  if(NOT ${var})
    unset(${var} CACHE) # look again on the next run, once it is installed
    _jex_missing("header <${header}>" ${package})
  endif()
endfunction()

function(jex_require_program var program package)
  find_program(${var} NAMES ${program})
  if(NOT ${var})
    unset(${var} CACHE)
    _jex_missing("program ${program}" ${package})
  endif()
endfunction()

function(jex_check_dependencies)
  if(_jex_missing)
    string(REPLACE ";" "\n" lines "${_jex_missing}")
    message(FATAL_ERROR "Missing build dependencies:${lines}\n"
            "Install them with: apt-get install${_jex_missing_packages}")
  endif()
endfunction()
