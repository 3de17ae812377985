# The version is written once, in project(VERSION) of the top CMakeLists.txt;
# everything that shows it is made from there.
#
# The program's text form is the major number, a dot and the minor number in
# two digits: 0.5.0.0 reads "0.05".

function(orvex_version_text out version)
  string(REPLACE "." ";" parts "${version}")
  list(GET parts 0 major)
  list(GET parts 1 minor)
  if(minor LESS 10)
    set(minor "0${minor}")
  endif()
  set(${out} "${major}.${minor}" PARENT_SCOPE)
endfunction()

# For projects of their own (the Windows check) that need the program's
# version: read from the one place it is written.
function(orvex_read_project_version out root)
  file(STRINGS ${root}/CMakeLists.txt line REGEX "^project\\(orvex VERSION [0-9.]+")
  string(REGEX MATCH "[0-9]+(\\.[0-9]+)+" version "${line}")
  if(NOT version)
    message(FATAL_ERROR "No project(orvex VERSION ...) in ${root}/CMakeLists.txt")
  endif()
  set(${out} ${version} PARENT_SCOPE)
endfunction()

# orvex.rc from its template, with the version's four numbers and its text.
function(orvex_configure_resource_script out root version)
  string(REPLACE "." ";" parts "${version}.0.0.0")
  list(SUBLIST parts 0 4 parts)
  list(JOIN parts "," ORVEX_VERSION_NUMBERS)
  orvex_version_text(ORVEX_VERSION_TEXT ${version})
  configure_file(${root}/resources/orvex.rc.in ${out} @ONLY)
endfunction()
